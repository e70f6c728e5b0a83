// The cleaning profile: what a cleaning run erases and when scheduled mode
// runs one. Exactly one exists while the program works (g_pProfile); an
// interactive run cleans from a copy taken as it starts.
#pragma once

#include <string>
#include <vector>

#include "framework/Object.h"
#include "platform/win32.h"

// Indexes of the target flags di0..di25.
enum TargetFlag {
  kIndexDat = 0,  // overwrite index.dat in the History folder
  kTempFolders = 1,
  kRecentFiles = 2,
  kMyDocuments = 3,
  kRecycleBin = 4,  // no run step tests it
  kRegistryBackups = 5,
  kClipboard = 6,
  kIeCookies = 7,
  kTypedUrls = 8,
  kIeCache = 9,
  kIeFavorites = 10,
  kIeHistory = 11,
  kMediaPlayerHistory = 12,
  kMediaPlayerPlaylists = 13,
  kNetscapeCache = 14,
  kNetscapeHistory = 15,
  kNetscapeCookies = 16,
  kNetscapeMail = 17,
  kNetscapeHiddenMail = 18,  // no run step tests it
  kAolGoTo = 19,
  kAolCache = 20,
  kSchedule = 21,  // the schedule switch, tested only by RunIfDue
  kYahooMessenger = 22,
  kMsnReceivedFiles = 23,
  kIcq = 24,
  kAim = 25,
  kFlagCount = 26
};

// The selection mask bit that makes a run process the user's two lists.
constexpr LONG kUserListsMask = 0x10;
constexpr LONG kRunAllMask = 31;

extern const char kSettingsKeyPath[];  // Software\Marrowfield\Tidewisp

class CSweepProfile : public CObject {
 public:
  CSweepProfile() = default;
  ~CSweepProfile() override = default;

  void Load();
  // reportFailure: show "Failed saving settings!" when the key cannot be
  // created (never in scheduled mode: no one is there to answer it).
  void Save(bool reportFailure = true);
  // Scheduled mode: runs a cleaning pass when the schedule is on and more
  // than `when` days have passed since lastErase; true when it ran (app/).
  bool RunIfDue();
  // The cleaning run (engine/): true when it went to its end and stamped
  // lastErase, false when it was stopped (engine/Stop.h).
  bool Run(LONG mask);

  int di[kFlagCount] = {};
  LONG when = 1;  // schedule interval in days
  // End of the last run, seconds since 1970 UTC; 64 bits, so that it does
  // not wrap in 2038 (stored as decimal text either way).
  LONGLONG lastErase = 0;
  std::vector<std::string> fileList;
  std::vector<std::string> folderList;
};

// The one profile: start-up creates it, loads it, and deletes it again when
// its mode's work is done; every other part reaches it here.
extern CSweepProfile* g_pProfile;
