// The record a scheduled run leaves of what it did: it cleans silently, with
// no window, so its report waits in the settings key (value
// lastScheduledRun) for the next interactive start, which shows it once.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

// The stored text stays under this many bytes.
constexpr size_t kScheduledRecordLimit = 16 * 1024;

// "Scheduled clean on <date> at <time>:" (the run's start, local, in the
// user's own formats), then the run's report lines, one a line. Lines that
// would take the text past the limit are cut, with a last line that says
// how many more there were.
std::string MakeScheduledRecord(const SYSTEMTIME& started, const std::vector<std::string>& report);
// Writes it as lastScheduledRun, in place of the one before; nothing else in
// the settings changes. Nothing is shown when the key cannot be written.
void SaveScheduledRecord(const std::string& record);
// The stored record's lines, and the value deleted, so that it shows once.
// None when there is no record, and none for a record that cannot be read
// (not a string, too long, not text), which is deleted all the same.
std::vector<std::string> TakeScheduledRecord();
