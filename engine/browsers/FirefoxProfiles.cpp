// Firefox: every profile that profiles.ini names, its cookies and its cache.
#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

#include "engine/EraseCount.h"
#include "engine/EraseNames.h"
#include "engine/Primitives.h"
#include "engine/Stop.h"
#include "engine/browsers/BrowserProcesses.h"
#include "engine/browsers/Firefox.h"
#include "third_party/sqlite/sqlite3.h"

namespace firefox {
namespace {

const char kFirefox[] = "Firefox";

// The newest cookies.sqlite (PRAGMA user_version) these steps know, as
// Firefox 153 ESR writes it; a newer database is left as it is.
constexpr int kCookiesVersion = 17;

// A path from profiles.ini, with backslashes, that stays where it is put: not
// empty, and no part of it made of dots and spaces only (Windows drops
// trailing dots and spaces, so ".. " climbs as ".." does).
bool IsSafeProfilePath(std::string& path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  while (!path.empty() && path.back() == '\\') path.pop_back();
  if (path.empty()) return false;
  size_t start = path.compare(0, 2, "\\\\") == 0 ? 2 : 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    if (part.find_first_not_of(". ") == std::string::npos) return false;
    start = end + 1;
  }
  return true;
}

std::vector<FirefoxProfile> ListProfiles(CRunContext& run) {
  std::vector<FirefoxProfile> profiles;
  if (!run.SpecialFolder(CSIDL_LOCAL_APPDATA)) return profiles;
  std::string local = run.pathBuffer;
  if (!run.SpecialFolder(CSIDL_APPDATA) || !IsPlainFolder(run.pathBuffer, "Mozilla\\Firefox"))
    return profiles;
  std::string base = std::string(run.pathBuffer) + "\\Mozilla\\Firefox";
  std::string ini = base + "\\profiles.ini";
  if (!IsPlainFile(ini)) return profiles;

  std::vector<char> sections(65536);
  DWORD length = GetPrivateProfileSectionNamesA(sections.data(),
                                                static_cast<DWORD>(sections.size()), ini.c_str());
  for (const char* name = sections.data(); name < sections.data() + length && *name;
       name += strlen(name) + 1) {
    if (_strnicmp(name, "Profile", 7) != 0) continue;
    char value[MAX_PATH] = {};
    DWORD size = GetPrivateProfileStringA(name, "Path", "", value, MAX_PATH, ini.c_str());
    std::string path(value, size);
    if (size >= MAX_PATH - 1 || !IsSafeProfilePath(path)) continue;
    bool relative = GetPrivateProfileIntA(name, "IsRelative", 0, ini.c_str()) == 1;
    bool absolute =
        (path.size() > 2 && path[1] == ':' && path[2] == '\\') || path.compare(0, 2, "\\\\") == 0;
    FirefoxProfile profile;
    if (relative && !absolute && path.find(':') == std::string::npos && path[0] != '\\') {
      if (!IsPlainFolder(base, path)) continue;
      profile.folder = base + "\\" + path;
      // Its cache lies under the same relative path in %LOCALAPPDATA%.
      if (IsPlainFolder(local, "Mozilla\\Firefox\\" + path))
        profile.cache = local + "\\Mozilla\\Firefox\\" + path;
    } else if (!relative && absolute) {
      DWORD attributes = StartingFolderAttributes(path);
      if (!MayList(attributes) || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
      profile.folder = profile.cache = path;
    } else {
      continue;
    }
    bool known = false;
    for (const FirefoxProfile& other : profiles)
      known = known || lstrcmpiA(other.folder.c_str(), profile.folder.c_str()) == 0;
    if (!known) profiles.push_back(profile);
  }
  return profiles;
}

}  // namespace

bool OpenVersioned(CSqliteDb& db, const std::string& path, int version) {
  bool known = OpenBrowserDb(db, path) && db.QueryInt("PRAGMA user_version", INT_MAX) <= version;
  if (!known && IsPlainFile(path)) NoteStoreLeft(path);
  return known;
}

void EraseCookies(const FirefoxProfile& profile) {
  CSqliteDb db;
  if (OpenVersioned(db, profile.folder + "\\cookies.sqlite", kCookiesVersion) &&
      db.HasTable("moz_cookies"))
    ChangeAndCompact(db, [](CSqliteDb& d) { return d.Exec("DELETE FROM moz_cookies"); });
  EraseSiteData(profile);
}

void EraseCache(const FirefoxProfile& profile) {
  if (profile.cache.empty()) return;
  for (const char* name : {"cache2", "thumbnails"})
    if (IsPlainFolder(profile.cache, name))
      EraseFolderContents(ChildPath(profile.cache, name), 0, 0);
}

// What each box does to a profile, in the order of kBrowserBoxes.
void (*const kBoxSteps[])(const FirefoxProfile&) = {EraseCookies, EraseTypedUrls, EraseCache,
                                                    EraseFavorites, EraseHistory};
static_assert(std::size(kBoxSteps) == std::size(kBrowserBoxes));

}  // namespace firefox

void EraseFirefox(CRunContext& run) {
  using namespace firefox;
  std::vector<FirefoxProfile> found = ListProfiles(run);
  // A profile in use is left whole; the others are cleaned while their
  // parent.lock is held here. Those a Firefox with no window open holds are
  // taken again once it is closed.
  std::vector<FirefoxProfile> profiles;
  std::vector<std::unique_ptr<CBrowserLock>> locks;
  std::vector<std::string> held;
  for (const FirefoxProfile& profile : found) {
    locks.push_back(std::make_unique<CBrowserLock>());
    if (!locks.back()->Take(profile.folder + "\\parent.lock")) held.push_back(profile.folder);
  }
  bool closed = !held.empty() && CloseBackgroundBrowser(run, kFirefox, held), open = false;
  for (size_t i = 0; i < found.size(); ++i) {
    bool wasHeld = std::find(held.begin(), held.end(), found[i].folder) != held.end();
    if (!wasHeld || (closed && locks[i]->Take(found[i].folder + "\\parent.lock")))
      profiles.push_back(found[i]);
    else
      open = true;
  }
  if (open) LogBrowserOpen(kFirefox);
  if (profiles.empty()) return;
  // A swap of serviceworker.txt that a killed run left is put right before
  // any box looks at the profile: until then the file may be missing.
  for (const FirefoxProfile& profile : profiles)
    RecoverWholeFile(profile.folder + "\\serviceworker.txt");
  for (const BrowserBox& box : kBrowserBoxes) {
    if (StopRequested()) return;
    if (!run.On(box.flag)) continue;
    LogBrowserBox(kFirefox, box);
    for (const FirefoxProfile& profile : profiles)
      if (!StopRequested()) kBoxSteps[&box - kBrowserBoxes](profile);
  }
}
