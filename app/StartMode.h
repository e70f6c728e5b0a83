#pragma once

// True when the command line selects scheduled mode: its last four bytes (the
// whole line when shorter) are "auto", case and all. The program path is part
// of the line and nothing is split into arguments.
bool IsScheduledStart(const char* commandLine);

// Scheduled mode: silent; the profile is created, loaded, asked RunIfDue and
// saved when a run happened (so that "every N days" holds), without a message
// box even when that save fails, with the run's report for the next
// interactive start (profile/ScheduledRecord.h); then deleted.
void RunScheduled();

// Interactive mode: the splash for one second, then the settings are read and
// the main window runs until the user closes it (which saves them). A
// scheduled run's report heads its log, once.
void RunInteractive();
