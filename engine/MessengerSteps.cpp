// Instant messengers: Yahoo! Messenger, ICQ, AIM and MSN Messenger. The first
// three find their folder in the registry; the line follows the lookup,
// whether or not it found anything.
#include "engine/Log.h"
#include "engine/Primitives.h"
#include "engine/Steps.h"

void EraseYahooMessenger(CRunContext& run) {
  std::string folder;
  // "HomeDir" ends in a five-character piece that is not part of the folder.
  bool found = run.LookupAppFolder(HKEY_CURRENT_USER, "SOFTWARE\\Yahoo\\YServer", kUserAppAccess,
                                   "HomeDir", 5, folder);
  LogLine("Erasing Yahoo! Messenger logs ...");
  if (!found) return;
  DeleteNamedFile(folder + "\\ypager.log");
  EraseFolderContents(folder + "\\IMVCache", 0, 0);
}

void EraseIcq(CRunContext& run) {
  std::string folder;
  bool found = run.LookupAppFolder(
      HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ICQ.exe",
      kMachineAppAccess, "Path", 0, folder);
  LogLine("Erasing ICQ logs ...");
  if (!found) return;
  for (const char* piece :
       {"\\Bookmark", "\\ICQFiles", "\\Pictures", "\\Received Files", "\\2002a", "\\2002b"})
    EraseFolderContents(folder + piece, 0, 0);
}

void EraseAim(CRunContext& run) {
  std::string folder;
  // The default value names the program ("...\aim.exe"): eight characters off.
  bool found = run.LookupAppFolder(
      HKEY_CURRENT_USER,
      "SOFTWARE\\America Online\\AOL Instant Messenger (TM)\\CurrentVersion\\AppPath",
      kUserAppAccess, "", 8, folder);
  LogLine("Erasing AIM logs ...");
  if (!found) return;
  DeleteMatching(folder, ".tmp");
  DeleteMatching(folder, ".dat");
}

void EraseMsnReceivedFiles(CRunContext& run) {
  LogLine("Erasing MSN Received files ...");
  if (!run.SpecialFolder(CSIDL_PERSONAL)) return;
  run.path = run.pathBuffer;
  EraseFolderContents(run.path + "\\My Received Files", 0, 0);
}
