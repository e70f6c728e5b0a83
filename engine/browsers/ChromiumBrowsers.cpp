// The Chromium family: Edge, Chrome, Brave, Vivaldi, Chromium, Opera and
// Opera GX, where each keeps its profiles, and the order of their boxes.
#include <iterator>
#include <vector>

#include "engine/EraseNames.h"
#include "engine/Stop.h"
#include "engine/browsers/BrowserProcesses.h"
#include "engine/browsers/Chromium.h"
#include "engine/stores/LevelDb.h"

namespace chromium {
namespace {

struct ChromiumBrowser {
  const char* name;
  int csidl;         // the shell folder `data` lies in
  const char* data;  // User Data (lockfile, shared caches, profiles below)
  // Opera: `data` is the one profile itself, and its caches lie under the
  // same path in %LOCALAPPDATA%.
  bool single;
};

const ChromiumBrowser kBrowsers[] = {
    {"Microsoft Edge", CSIDL_LOCAL_APPDATA, "Microsoft\\Edge\\User Data", false},
    {"Google Chrome", CSIDL_LOCAL_APPDATA, "Google\\Chrome\\User Data", false},
    {"Brave", CSIDL_LOCAL_APPDATA, "BraveSoftware\\Brave-Browser\\User Data", false},
    {"Vivaldi", CSIDL_LOCAL_APPDATA, "Vivaldi\\User Data", false},
    {"Chromium", CSIDL_LOCAL_APPDATA, "Chromium\\User Data", false},
    {"Opera", CSIDL_APPDATA, "Opera Software\\Opera Stable", true},
    {"Opera GX", CSIDL_APPDATA, "Opera Software\\Opera GX Stable", true},
};

// The LevelDB folders of a profile that the boxes rebuild. A run killed
// while it swapped one of them, or Preferences, leaves private files beside
// it, and maybe the folder or file itself missing: each is put right before
// any box looks at the profile.
const char* const kLevelDbFolders[] = {"shared_proto_db",
                                       "Local Storage\\leveldb",
                                       "Session Storage",
                                       "Service Worker\\Database",
                                       "File System\\Origins",
                                       "PersistentOriginTrials",
                                       "Site Characteristics Database",
                                       "optimization_guide_hint_cache_store"};

void RecoverSwaps(const ChromiumProfile& profile) {
  RecoverWholeFile(profile.folder + "\\Preferences");
  for (const char* name : kLevelDbFolders) {
    // Never beside a folder reached through a link.
    std::string relative = name;
    size_t parent = relative.rfind('\\');
    if (parent == std::string::npos || IsPlainFolder(profile.folder, relative.substr(0, parent)))
      RecoverLevelDbSwap(ChildPath(profile.folder, name));
  }
}

// A profile folder: one with a Preferences file, or with what a swap of it
// left (the file may be missing until the swap is put right).
bool IsProfile(const std::string& folder) {
  return IsPlainFile(folder + "\\Preferences") || HasWholeFileSwap(folder + "\\Preferences");
}

// The profiles of User Data: every profile sub-folder, links excepted.
std::vector<ChromiumProfile> ListProfiles(const std::string& data) {
  std::vector<ChromiumProfile> profiles;
  WIN32_FIND_DATAA record;
  CFindHandle find(FindFirstFileA((data + "\\*.*").c_str(), &record));
  if (!find.IsValid()) return profiles;
  do {
    if (IsDotEntry(record.cFileName) || (record.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !(record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      continue;
    std::string folder = ChildPath(data, record.cFileName);
    if (IsProfile(folder)) profiles.push_back(ChromiumProfile{folder, folder});
  } while (FindNextFileA(find.Get(), &record));
  return profiles;
}

// What each box does to a profile, in the order of kBrowserBoxes.
void (*const kBoxSteps[])(const ChromiumProfile&) = {EraseCookies, EraseTypedUrls, EraseCache,
                                                     EraseFavorites, EraseHistory};
static_assert(std::size(kBoxSteps) == std::size(kBrowserBoxes));

void EraseBrowser(CRunContext& run, const ChromiumBrowser& browser) {
  if (!run.SpecialFolder(browser.csidl)) return;
  std::string base = run.pathBuffer;
  if (!IsPlainFolder(base, browser.data)) return;
  std::string data = ChildPath(base, browser.data), dataTwin = data;
  std::vector<ChromiumProfile> profiles;
  if (browser.single) {
    if (run.SpecialFolder(CSIDL_LOCAL_APPDATA) && IsPlainFolder(run.pathBuffer, browser.data))
      dataTwin = ChildPath(run.pathBuffer, browser.data);
    if (IsProfile(data)) profiles.push_back(ChromiumProfile{data, dataTwin});
  } else {
    profiles = ListProfiles(data);
  }
  if (profiles.empty()) return;

  // Held until the browser is done. Opera keeps its lockfile in its profile
  // folder, which is its `data` here. A browser holding it with no window
  // open may be closed first.
  CBrowserLock lock;
  std::string lockfile = data + "\\lockfile";
  if (!lock.Take(lockfile) &&
      (!CloseBackgroundBrowser(run, browser.name, {data}) || !lock.Take(lockfile))) {
    LogBrowserOpen(browser.name);
    return;
  }
  for (const ChromiumProfile& profile : profiles) RecoverSwaps(profile);
  for (const BrowserBox& box : kBrowserBoxes) {
    if (StopRequested()) return;
    if (!run.On(box.flag)) continue;
    LogBrowserBox(browser.name, box);
    for (const ChromiumProfile& profile : profiles)
      if (!StopRequested()) kBoxSteps[&box - kBrowserBoxes](profile);
    if (box.flag == kIeCache) {
      EraseSharedCaches(data);
      if (dataTwin != data) EraseSharedCaches(dataTwin);
    }
    if (box.flag == kIeHistory) EraseSharedHistory(data);
  }
}

}  // namespace
}  // namespace chromium

void EraseChromiumBrowsers(CRunContext& run) {
  for (const chromium::ChromiumBrowser& browser : chromium::kBrowsers)
    chromium::EraseBrowser(run, browser);
}
