// Windows itself and Media Player: temporary folders, recent documents, My
// Documents, registry backup cabinets, the clipboard, Media Player's lists.
#include <algorithm>
#include <cstdio>

#include "engine/EraseCount.h"
#include "engine/EraseNames.h"
#include "engine/Handles.h"
#include "engine/Log.h"
#include "engine/Primitives.h"
#include "engine/Steps.h"
#include "engine/Stop.h"
#include "engine/stores/JumpList.h"
#include "engine/stores/WholeFile.h"
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

const char kJumpList[] = ".automaticdestinations-ms";

// One program's jump list, before the Recent folder is emptied: true when it
// is to stay. A list with pins is written again with nothing but its pins; a
// list without goes with the folder; one this program cannot read is left
// as it was and named in the summary; one another program holds is left and
// counted, as the folder's eraser counts a held file.
bool KeepJumpList(const std::string& path, CRunContext& run) {
  RecoverWholeFile(path);
  if (!IsPlainFile(path)) return false;  // a link goes as a link
  CJumpList list;
  switch (list.Read(path)) {
    case CJumpList::Status::kGone:
      return false;
    case CJumpList::Status::kHeld:
      ++g_eraseCount.left;
      return true;
    case CJumpList::Status::kUnreadable:
      run.jumpListsLeft.push_back(path);
      return true;
    case CJumpList::Status::kRead:
      if (!list.HasPins()) return false;
  }
  // A read-only list (a way users keep Windows from changing one) is
  // rewritten all the same, and stays read-only.
  DWORD attributes = GetFileAttributesA(path.c_str());
  ClearReadOnly(path);
  CUnstoppable swap;
  if (!ReplaceWholeFileWith(path,
                            [&](const std::string& fresh) { return list.WritePinned(fresh); }))
    ++g_eraseCount.left;
  SetFileAttributesA(path.c_str(), attributes);
  return true;
}

// The jump lists that stay. Names are taken first, and every name that
// begins as a jump list's (what a cut-short swap left beside one too) is
// put right before its list is read.
std::vector<std::string> KeepJumpLists(const std::string& folder, CRunContext& run) {
  std::vector<std::string> lists, kept;
  if (!MayList(StartingFolderAttributes(folder))) return kept;
  WIN32_FIND_DATAA record;
  CFindHandle find(FindFirstFileA((folder + "\\*").c_str(), &record));
  if (!find.IsValid()) return kept;
  do {
    std::string name = record.cFileName;
    std::string lower = name;
    CharLowerBuffA(&lower[0], static_cast<DWORD>(lower.size()));
    size_t at = lower.find(kJumpList);
    if (at == std::string::npos || (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    std::string path = ChildPath(folder, name.substr(0, at + sizeof kJumpList - 1).c_str());
    if (std::find(lists.begin(), lists.end(), path) == lists.end()) lists.push_back(path);
  } while (FindNextFileA(find.Get(), &record));
  for (const std::string& path : lists)
    if (KeepJumpList(path, run)) kept.push_back(path);
  return kept;
}

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
  // The jump lists' pins stay; the rest of the folder goes.
  if (run.SpecialFolder(CSIDL_RECENT)) {
    std::string recent = run.pathBuffer;
    EraseFolderContentsExcept(recent, KeepJumpLists(recent + "\\AutomaticDestinations", run));
  }
  // A missing key is no error, and none is created again.
  for (const char* list : kRecentLists) SHDeleteKeyA(HKEY_CURRENT_USER, list);
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
  for (unsigned long n = 0;; ++n) {
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
