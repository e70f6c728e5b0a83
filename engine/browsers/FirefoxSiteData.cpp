// Firefox's site data, which the Cookies box erases with the cookies, as
// Firefox's own "Cookies and site data" does: what web origins stored under
// storage\ (localStorage, IndexedDB, the Cache API, the origin-private file
// system, their service workers' caches), their rows in the quota manager's
// storage.sqlite and in the older localStorage databases, and their service
// worker registrations. storage\permanent (the browser's own data, its push
// subscriptions among it) and the extensions' moz-extension origins stay.
#include <vector>

#include "engine/EraseCount.h"
#include "engine/EraseNames.h"
#include "engine/Handles.h"
#include "engine/Primitives.h"
#include "engine/browsers/Firefox.h"
#include "engine/browsers/SiteOrigins.h"
#include "third_party/sqlite/sqlite3.h"

namespace firefox {
namespace {

// PRAGMA user_version as Firefox 153 ESR writes it: storage.sqlite (storage
// version 2.3), and the localStorage archives (storage\ls-archive.sqlite, and
// webappsstore.sqlite of versions before it).
constexpr int kStorageVersion = 0x20003, kWebappsStoreVersion = 2, kBounceTrackingVersion = 1;

// The serviceworker.txt versions whose entries are known: Firefox 115 to 153
// write 9 to 12, and in each an entry's lines begin with its origin
// attributes and its scope and end with a line "#".
constexpr int kOldestRegistrar = 8, kNewestRegistrar = 12;

const char* const kRepositories[] = {"storage\\default", "storage\\temporary", "storage\\private"};

// The folder of every web origin in each repository, whole. A link among them
// is not followed, nor removed: it is no folder Firefox made.
void EraseOriginFolders(const std::string& profile) {
  for (const char* repository : kRepositories) {
    if (!IsPlainFolder(profile, repository)) continue;
    std::string folder = ChildPath(profile, repository);
    std::vector<std::string> web;
    WIN32_FIND_DATAA record;
    CFindHandle find(FindFirstFileA((folder + "\\*.*").c_str(), &record));
    if (!find.IsValid()) continue;
    do {
      DWORD attributes = record.dwFileAttributes;
      if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
          !IsDotEntry(record.cFileName) && IsWebOriginFolder(record.cFileName))
        web.push_back(ChildPath(folder, record.cFileName));
    } while (FindNextFileA(find.Get(), &record));
    find.Reset();
    for (const std::string& origin : web) RemoveWholeFolder(origin);
  }
}

void EraseRows(const std::string& path, int version, std::initializer_list<RowFilter> filters) {
  CSqliteDb db;
  if (OpenVersioned(db, path, version) && AddSiteTests(db) == SQLITE_OK) DeleteRows(db, filters);
}

// The registrations of web origins, taken out of serviceworker.txt. A file of
// an unknown version, or one whose entries do not end as expected, stays as
// it is.
void EraseServiceWorkers(const std::string& profile) {
  // A swap a killed run left was put right before any box (EraseFirefox).
  std::string path = profile + "\\serviceworker.txt", text;
  if (!IsPlainFile(path)) return;
  if (!ReadWholeFile(path, text)) return NoteStoreLeft(path);
  // One line each, with the "\n" (and "\r", were there one) it came with.
  std::vector<std::string_view> lines;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end + 1;
    lines.emplace_back(text.data() + at, end - at);
    at = end;
  }
  auto bare = [](std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
  };
  if (lines.empty()) return;
  std::string_view version = bare(lines[0]);
  if (version.empty() || version.size() > 3 ||
      version.find_first_not_of("0123456789") != std::string_view::npos)
    return NoteStoreLeft(path);
  int number = std::stoi(std::string(version));
  if (number < kOldestRegistrar || number > kNewestRegistrar) return NoteStoreLeft(path);

  std::string kept(lines[0]);
  bool dropped = false;
  for (size_t first = 1; first < lines.size();) {
    size_t last = first;
    while (last < lines.size() && bare(lines[last]) != "#") ++last;
    if (last == lines.size() || last < first + 2) return NoteStoreLeft(path);  // no "#", or no scope
    bool web = HasWebPartitionKey(bare(lines[first])) || IsWebStorageKey(bare(lines[first + 1]));
    dropped = dropped || web;
    for (size_t line = first; !web && line <= last; ++line) kept.append(lines[line]);
    first = last + 1;
  }
  if (dropped) ReplaceWholeFile(path, kept);
}

}  // namespace

void EraseSiteData(const FirefoxProfile& profile) {
  EraseOriginFolders(profile.folder);
  EraseRows(profile.folder + "\\storage.sqlite", kStorageVersion,
            {{"origin", {"origin", "suffix"}, "web_key(origin) OR web_partition(suffix)"}});
  const RowFilter archived = {"webappsstore2",
                              {"originKey", "originAttributes"},
                              "web_reversed_key(originKey) OR web_partition(originAttributes)"};
  if (IsPlainFolder(profile.folder, "storage"))
    EraseRows(profile.folder + "\\storage\\ls-archive.sqlite", kWebappsStoreVersion, {archived});
  EraseRows(profile.folder + "\\webappsstore.sqlite", kWebappsStoreVersion, {archived});
  EraseServiceWorkers(profile.folder);
  // The storage access a site was granted where another site embeds it (the
  // Storage Access API, and the grants Firefox's heuristics make when the user
  // interacts): they exist for the cookies and storage they open, and go with
  // them. The user's own permissions (camera, notifications, cookie
  // exceptions...) stay.
  EraseRows(profile.folder + "\\permissions.sqlite", kPermissionsVersion,
            {{"moz_perms",
              {"origin", "type"},
              "web_key(origin) AND (type = 'storageAccessAPI' OR "
              "type LIKE '3rdPartyStorage^%' OR type LIKE '3rdPartyFrameStorage^%')"}});
  // Bounce tracking protection's record of the hosts the user was bounced
  // through or activated, which Firefox clears with the cookies.
  EraseRows(profile.folder + "\\bounce-tracking-protection.sqlite", kBounceTrackingVersion,
            {{"sites", {"siteHost"}, "1"}});
}

}  // namespace firefox
