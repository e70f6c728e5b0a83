// Web browsers and the AOL client: Mozilla and Netscape profile trees, and
// Internet Explorer's cookies, typed addresses, cache, favourites and history.
#include "engine/EraseCount.h"
#include "engine/EraseNames.h"
#include "engine/Handles.h"
#include "engine/Log.h"
#include "engine/Primitives.h"
#include "engine/Steps.h"

namespace {

const char kNetscapeUsers[] = "C:\\Program Files\\Netscape\\Users";

// One walk of the whole tree per selected flag, in this order.
const struct {
  TargetFlag flag;
  FolderVisitor visitor;
  const char* line;
} kNetscapeWalks[] = {
    {kNetscapeCache, EraseNetscapeCache, "Erasing Netscape Navigator Cache..."},
    {kNetscapeHistory, EraseNetscapeHistory, "Erasing Netscape Navigator History..."},
    {kNetscapeCookies, EraseNetscapeCookies, "Erasing Netscape Navigator Cookies..."},
    {kNetscapeMail, EraseNetscapeMail, "Erasing Netscape Navigator sent and deleted e-mails..."},
};

// AOL's GO TO history: the files directly in `organize` whose name ends in
// ".AUT" or ".ARL", read-only ones too; subfolders are not entered. The whole
// folder is listed and the endings compared here: a "*.AUT" pattern would
// also match "x.auto" through its short name on Windows.
void EraseAolGoTo(const std::string& organize) {
  if (!MayList(StartingFolderAttributes(organize))) return;
  WIN32_FIND_DATAA record;
  CFindHandle listing(FindFirstFileA((organize + "\\*.*").c_str(), &record));
  if (!listing.IsValid()) return;
  do {
    const char* name = record.cFileName;
    if (IsDotEntry(name)) continue;
    if (!HasFixedEnding(name, ".aut") && !HasFixedEnding(name, ".arl")) continue;
    std::string path = ChildPath(organize, name);
    // A link of that name goes as a link does where a folder is emptied:
    // itself only, its target's attributes untouched.
    if (!(record.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) ClearReadOnly(path);
    CountDeletion(DeleteFileA(path.c_str()), ListedSize(record));
  } while (FindNextFileA(listing.Get(), &record));
}

}  // namespace

void EraseNetscapeProfiles(CRunContext& run) {
  // Both trees depend on this one lookup, although the second has a fixed path.
  if (!run.SpecialFolder(CSIDL_APPDATA)) return;
  run.path = run.pathBuffer;
  run.path += "\\Mozilla";
  for (const auto& walk : kNetscapeWalks)
    if (run.On(walk.flag)) WalkFolderTree(run.path, walk.visitor);

  run.path = kNetscapeUsers;
  for (const auto& walk : kNetscapeWalks) {
    if (!run.On(walk.flag)) continue;
    LogLine(walk.line);
    WalkFolderTree(run.path, walk.visitor);
  }
}

void EraseIeCookies(CRunContext& run) {
  LogLine("Erasing Internet Explorer Cookies...");
  PurgeUrlCache(0);
  if (run.SpecialFolder(CSIDL_COOKIES)) EraseFolderContents(run.pathBuffer, 0, 0);
}

void EraseTypedUrls(CRunContext&) {
  LogLine("Erasing Internet Explorer autocomplete sites...");
  SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\TypedURLs");
}

void EraseAol(CRunContext& run) {
  std::string folder;
  if (!run.LookupAppFolder(HKEY_LOCAL_MACHINE,
                           "SOFTWARE\\America Online\\America Online\\CurrentVersion",
                           kMachineAppAccess, "AppPath", 0, folder))
    return;
  run.path = folder;
  if (run.On(kAim)) DeleteMatching(run.path + "\\download", ".log");
  run.path += "\\organize";
  if (run.On(kAolGoTo)) {
    LogLine("Erasing AOL's GO TO History ...");
    EraseAolGoTo(run.path);
  }
  if (run.On(kAolCache)) {
    LogLine("Erasing AOL's Cache ...");
    EraseFolderContents(run.path + "\\CACHE", 0, 0);
  }
}

void EraseIeCache(CRunContext& run) {
  // AOL's cache flag runs this step too, without its line.
  if (run.On(kIeCache)) LogLine("Erasing Internet Explorer Cache...");
  PurgeUrlCache(1);
  if (!run.SpecialFolder(CSIDL_INTERNET_CACHE)) return;
  EraseFolderContents(run.pathBuffer, 0, 0);
  if (!run.WindowsDirectory()) return;
  run.path = run.pathBuffer;
  EraseFolderContents(run.path + "\\Temporary Internet Files", 0, 1);
}

void EraseIeFavorites(CRunContext& run) {
  LogLine("Erasing Internet Explorer Favorites...");
  if (run.SpecialFolder(CSIDL_FAVORITES)) EraseFolderContents(run.pathBuffer, 0, 0);
}

void EraseIeHistory(CRunContext& run) {
  LogLine("Erasing Internet Explorer History...");
  IUrlHistoryStg2* history = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_CUrlHistory, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IUrlHistoryStg2, reinterpret_cast<void**>(&history))) &&
      history) {
    history->ClearHistory();  // not implemented by Wine (E_NOTIMPL); the folders follow anyway
    history->Release();
  }
  if (run.WindowsDirectory()) {
    run.path = run.pathBuffer;
    EraseFolderContents(run.path + "\\History", 0, 1);
  }
  if (run.SpecialFolder(CSIDL_HISTORY))
    EraseFolderContents(run.pathBuffer, 0, run.Profile().di[kIndexDat]);
}
