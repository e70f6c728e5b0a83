// Windows itself and Media Player: temporary folders, recent documents, My
// Documents, registry backup cabinets, the clipboard, Media Player's lists.
#include <cstdio>

#include "engine/Log.h"
#include "engine/Primitives.h"
#include "engine/RecentFolder.h"
#include "engine/Steps.h"
#include "engine/Stop.h"
#include "profile/RegKey.h"

namespace {

const char kPlayerKey[] = "SOFTWARE\\Microsoft\\MediaPlayer\\Player\\";

// Recent Documents, then the other lists Windows keeps of what the user
// opened, ran, typed and searched. Each key goes whole; the settings beside
// them (Explorer\Advanced, Applets\Paint\View, Regedit's Favorites, which the
// user made) stay. Explorer, Paint, WordPad and a program that showed an open
// or save dialog hold their lists in memory and write them back when they
// close; the README asks the user to close them first.
const char* const kRecentLists[] = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU",          // the Run box
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\TypedPaths",      // address bar
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\WordWheelQuery",  // search box
    // The open and save dialogs: Vista's and later, then XP's.
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSavePidlMRU",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\LastVisitedPidlMRU",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\LastVisitedPidlMRULegacy",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\CIDSizeMRU",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\FirstFolder",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\LastVisitedMRU",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Wordpad\\Recent File List",
    "Software\\Microsoft\\Search Assistant\\ACMru",  // XP's search box
};

}  // namespace

void EraseTempFolders(CRunContext& run) {
  LogLine("Erasing Windows Temporary Folder...");
  if (!run.TempFolder()) return;
  // Used with its trailing backslash: the paths below it hold a doubled one,
  // which the file system accepts.
  EraseFolderContents(run.pathBuffer, 1, 0);
  if (!run.WindowsDirectory()) return;
  run.path = run.pathBuffer;
  EraseFolderContents(run.path + "\\Temp", 1, 0);
  EraseFolderContents(run.path + "\\Tmp", 1, 0);
}

void EraseRecentFiles(CRunContext& run) {
  LogLine("Erasing Windows Recent Files...");
  if (run.SpecialFolder(CSIDL_RECENT)) EraseRecentFolder(run.pathBuffer, run);
  // A missing key is no error, and none is created again.
  for (const char* list : kRecentLists)
    if (!StopRequested()) SHDeleteKeyA(HKEY_CURRENT_USER, list);
}

void EraseMyDocuments(CRunContext& run) {
  LogLine("Erasing My Documents Folder...");
  if (run.SpecialFolder(CSIDL_PERSONAL)) EraseFolderContents(run.pathBuffer, 0, 0);
}

void EraseRegistryBackups(CRunContext& run) {
  LogLine("Erasing Windows Registry Backups");
  if (!run.WindowsDirectory()) return;
  run.path = run.pathBuffer;
  run.path += "\\sysbckup\\";
  DeleteNamedFile(run.path + "rbbad.cab");
  // The unbroken run of numbered cabinets from rb000.cab; the first deletion
  // that fails, for whatever reason, ends it.
  for (unsigned long n = 0; !StopRequested(); ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "rb%03lu.cab", n);
    if (DeleteNamedFile(run.path + name) != EraseResult::kErased) break;
  }
}

void EraseClipboard(CRunContext&) {
  LogLine("Erasing the Clipboard...");
  if (!OpenClipboard(RunWindow())) return;  // another program holds it open
  EmptyClipboard();
  CloseClipboard();
}

void EraseMediaPlayerHistory(CRunContext&) {
  LogLine("Erasing Media Player History...");
  SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList");
  SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Microsoft\\MediaPlayer\\Player\\RecentURLList");
}

void EraseMediaPlayerPlaylists(CRunContext& run) {
  LogLine("Erasing Media Player Playlists...");
  if (run.SpecialFolder(CSIDL_APPDATA)) {
    run.path = run.pathBuffer;
    DeleteNamedFile(run.path + "\\Microsoft\\Media Player\\ActivePlaylist.dat");
  }
  if (run.WindowsDirectory()) {
    // Only the drive letter comes from the system; the rest is fixed.
    run.path.assign(1, run.pathBuffer[0]);
    run.path += ":\\Documents and Settings\\All Users\\Application Data\\Microsoft\\Media Index";
    EraseFolderContents(run.path, 0, 0);
  }
  if (StopRequested()) return;
  LogLine("Erasing Media Player Keys...");
  for (const char* list : {"RecentFileList", "RecentURLList"}) {
    CRegKey player;
    if (player.Open(HKEY_CURRENT_USER, kPlayerKey, KEY_ALL_ACCESS) != ERROR_SUCCESS) continue;
    // An empty key takes the deleted one's place. The name keeps its leading
    // backslash; where the registry refuses such a name the list stays deleted.
    if (player.DeleteTree(list) == ERROR_SUCCESS)
      player.Create(player.Get(), (std::string("\\") + list).c_str());
  }
}
