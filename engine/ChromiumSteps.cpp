// The Chromium family: Edge, Chrome, Brave, Vivaldi, Chromium, Opera and
// Opera GX. What each box erases is listed in docs/browsers.md.
#include <climits>
#include <iterator>
#include <vector>

#include "engine/EraseNames.h"
#include "engine/Primitives.h"
#include "engine/TodayBrowsers.h"
#include "third_party/sqlite/sqlite3.h"

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

// The newest last_compatible_version (in each database's meta table) whose
// layout these steps know, as Chromium 156 writes it. A database marked newer
// is left as it is. 0: the version is not looked at (the steps only empty
// whole tables there, which any version that has them allows).
constexpr long long kHistoryVersion = 16, kFaviconsVersion = 9, kTopSitesVersion = 5,
                    kShortcutsVersion = 1, kCookiesVersion = 24, kAnyVersion = 0;

// Cache folders, emptied and kept: those of a profile, then those the whole
// User Data shares.
const char* const kProfileCaches[] = {"Cache",
                                      "Code Cache",
                                      "GPUCache",
                                      "DawnCache",
                                      "DawnGraphiteCache",
                                      "DawnWebGPUCache",
                                      "Media Cache",
                                      "Service Worker\\CacheStorage",
                                      "Service Worker\\ScriptCache"};
const char* const kSharedCaches[] = {"GrShaderCache", "ShaderCache", "GraphiteDawnCache",
                                     "GPUPersistentCache"};

// The bookmark files, wiped by Favorites. The plain ones are read for the
// addresses History keeps; Chromium 156 also writes an encrypted copy of the
// same bookmarks (EncryptedBookmarks2), which goes with them. AccountBookmarks
// holds those of a signed-in account.
const char* const kBookmarkFiles[] = {"Bookmarks",           "Bookmarks.bak",
                                      "AccountBookmarks",    "AccountBookmarks.bak",
                                      "EncryptedBookmarks2", "EncryptedBookmarks2.bak"};
constexpr size_t kPlainBookmarkFiles = 4;

// Tables of History that hold nothing but visits and what was derived from
// them, emptied whole; each is optional, as versions add and drop them.
const char* const kVisitTables[] = {"visits",
                                    "visit_source",
                                    "keyword_search_terms",
                                    "downloads",
                                    "downloads_url_chains",
                                    "downloads_slices",
                                    "segments",
                                    "segment_usage",
                                    "content_annotations",
                                    "context_annotations",
                                    "clusters",
                                    "clusters_and_visits",
                                    "cluster_keywords",
                                    "cluster_visit_duplicates",
                                    "visited_links",
                                    "history_sync_metadata",
                                    "journeys",
                                    "journey_history_entries",
                                    "journey_continuation_queries",
                                    "journey_sync_metadata"};

struct Profile {
  std::string folder, cache;  // the same folder but for Opera
};

std::string Quoted(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) quoted.append(c == '"' ? 2 : 1, c);
  return quoted + "\"";
}

// Opens the database and checks its version and the columns the caller uses.
bool OpenChecked(CSqliteDb& db, const std::string& path, long long version, const char* table,
                 std::initializer_list<const char*> columns) {
  if (!OpenBrowserDb(db, path)) return false;
  if (version != kAnyVersion &&
      (!db.HasColumns("meta", {"key", "value"}) ||
       db.QueryInt("SELECT value FROM meta WHERE key='last_compatible_version'", LLONG_MAX) >
           version))
    return false;
  return db.HasColumns(table, columns);
}

void EmptyTable(const std::string& path, long long version, const char* table) {
  CSqliteDb db;
  if (!OpenChecked(db, path, version, table, {})) return;
  std::string sql = std::string("DELETE FROM ") + table;
  ChangeAndCompact(db, [&](CSqliteDb& d) { return d.Exec(sql.c_str()); });
}

// The addresses that are bookmarked, into temp.kept (in memory), straight from
// the bookmark files' JSON. A file that is there but cannot be read or parsed
// fails the whole step: without it, no one can tell what must stay. So does an
// encrypted copy without the plain file, which cannot be read here.
int LoadKeptUrls(CSqliteDb& db, const std::string& profile) {
  if (!IsPlainFile(profile + "\\Bookmarks") &&
      GetFileAttributesA((profile + "\\EncryptedBookmarks2").c_str()) != INVALID_FILE_ATTRIBUTES)
    return SQLITE_ERROR;
  int result = db.Exec("CREATE TEMP TABLE kept(url TEXT PRIMARY KEY)");
  for (size_t i = 0; i < kPlainBookmarkFiles && result == SQLITE_OK; ++i) {
    std::string path = ChildPath(profile, kBookmarkFiles[i]), json;
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    if (!ReadWholeFile(path, json)) return SQLITE_ERROR;
    result = db.Exec(
        "INSERT OR IGNORE INTO temp.kept SELECT value FROM json_tree(?1) "
        "WHERE key='url' AND type='text'",
        json);
  }
  return result;
}

void EraseCookies(const Profile& profile) {
  if (IsPlainFolder(profile.folder, "Network"))
    EmptyTable(profile.folder + "\\Network\\Cookies", kCookiesVersion, "cookies");
  EmptyTable(profile.folder + "\\Cookies", kCookiesVersion, "cookies");
  EmptyTable(profile.folder + "\\Extension Cookies", kCookiesVersion, "cookies");
}

// The typed counts, the omnibox's shortcuts (typed text -> page) and the
// action predictor's table of the same.
void EraseTypedUrls(const Profile& profile) {
  CSqliteDb history;
  if (OpenChecked(history, profile.folder + "\\History", kHistoryVersion, "urls", {"typed_count"}))
    ChangeAndCompact(history, [](CSqliteDb& db) {
      return db.Exec("UPDATE urls SET typed_count=0 WHERE typed_count<>0");
    });
  EmptyTable(profile.folder + "\\Shortcuts", kShortcutsVersion, "omni_box_shortcuts");
  EmptyTable(profile.folder + "\\Network Action Predictor", kAnyVersion,
             "network_action_predictor");
}

void EmptyCaches(const std::string& folder, const char* const* names, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (IsPlainFolder(folder, names[i])) EraseFolderContents(ChildPath(folder, names[i]), 0, 0);
}

void EraseCache(const Profile& profile) {
  EmptyCaches(profile.folder, kProfileCaches, std::size(kProfileCaches));
  if (profile.cache != profile.folder)
    EmptyCaches(profile.cache, kProfileCaches, std::size(kProfileCaches));
}

void EraseFavorites(const Profile& profile) {
  for (const char* name : kBookmarkFiles) {
    std::string path = ChildPath(profile.folder, name);
    if (IsPlainFile(path)) WipeFile(path);
  }
}

void EraseHistoryDb(const std::string& profile) {
  CSqliteDb db;
  if (!OpenChecked(db, profile + "\\History", kHistoryVersion, "urls",
                   {"url", "visit_count", "typed_count", "last_visit_time"}) ||
      !db.HasTable("visits") || LoadKeptUrls(db, profile) != SQLITE_OK)
    return;
  ChangeAndCompact(db, [](CSqliteDb& d) {
    int result = SQLITE_OK;
    for (const char* table : kVisitTables)
      if (result == SQLITE_OK && d.HasTable(table))
        result = d.Exec((std::string("DELETE FROM ") + table).c_str());
    // A bookmarked address keeps its row (its id, title and icon), with no
    // visit left to count.
    if (result == SQLITE_OK)
      result = d.Exec("DELETE FROM urls WHERE url IS NULL OR url NOT IN (SELECT url FROM kept)");
    if (result == SQLITE_OK)
      result = d.Exec("UPDATE urls SET visit_count=0, typed_count=0, last_visit_time=0");
    return result;
  });
}

// The icons of pages that are not bookmarked, their mappings and bitmaps.
void EraseFavicons(const std::string& profile) {
  CSqliteDb db;
  if (!OpenChecked(db, profile + "\\Favicons", kFaviconsVersion, "icon_mapping",
                   {"page_url", "icon_id"}) ||
      !db.HasColumns("favicons", {"id"}) || !db.HasColumns("favicon_bitmaps", {"icon_id"}) ||
      LoadKeptUrls(db, profile) != SQLITE_OK)
    return;
  ChangeAndCompact(db, [](CSqliteDb& d) {
    int result = d.Exec("DELETE FROM icon_mapping WHERE page_url NOT IN (SELECT url FROM kept)");
    if (result == SQLITE_OK)
      result = d.Exec(
          "DELETE FROM favicons WHERE id NOT IN "
          "(SELECT icon_id FROM icon_mapping WHERE icon_id IS NOT NULL)");
    if (result == SQLITE_OK)
      result = d.Exec("DELETE FROM favicon_bitmaps WHERE icon_id NOT IN (SELECT id FROM favicons)");
    return result;
  });
}

// Every table of the predictor (typed text -> page, and the pages' resources,
// hosts and redirects): Chromium empties them all when history is cleared.
// Its bookkeeping (*_metadata: versions, no pages) stays.
void EmptyPredictor(const std::string& path) {
  CSqliteDb db;
  if (!OpenChecked(db, path, kAnyVersion, "network_action_predictor", {})) return;
  std::vector<std::string> tables;
  CSqliteStatement list;
  if (list.Prepare(db.Get(),
                   "SELECT name FROM main.sqlite_master WHERE type='table' AND name<>'meta' AND "
                   "name NOT LIKE 'sqlite\\_%' ESCAPE '\\' AND "
                   "name NOT LIKE '%\\_metadata' ESCAPE '\\'") != SQLITE_OK)
    return;
  while (list.Step() == SQLITE_ROW) tables.push_back(list.Text(0));
  ChangeAndCompact(db, [&](CSqliteDb& d) {
    int result = SQLITE_OK;
    for (const std::string& table : tables)
      if (result == SQLITE_OK) result = d.Exec(("DELETE FROM main." + Quoted(table)).c_str());
    return result;
  });
}

void EraseHistory(const Profile& profile) {
  EraseHistoryDb(profile.folder);
  EraseFavicons(profile.folder);
  EmptyTable(profile.folder + "\\Top Sites", kTopSitesVersion, "top_sites");
  EmptyTable(profile.folder + "\\Shortcuts", kShortcutsVersion, "omni_box_shortcuts");
  EmptyPredictor(profile.folder + "\\Network Action Predictor");
  std::string visited = profile.folder + "\\Visited Links";
  if (IsPlainFile(visited)) WipeFile(visited);
}

// The segmentation platform's record of the pages visited, shared by every
// profile of the User Data.
void EraseSharedHistory(const std::string& data) {
  if (!IsPlainFolder(data, "segmentation_platform")) return;
  CSqliteDb db;
  if (!OpenChecked(db, data + "\\segmentation_platform\\ukm_db", kAnyVersion, "urls", {"url"}) ||
      !db.HasColumns("metrics", {"url_id"}))
    return;
  ChangeAndCompact(db, [](CSqliteDb& d) {
    int result = d.Exec("DELETE FROM urls");
    return result == SQLITE_OK ? d.Exec("DELETE FROM metrics") : result;
  });
}

// The profiles of User Data: every sub-folder with a Preferences file, links
// excepted.
std::vector<Profile> ListProfiles(const std::string& data) {
  std::vector<Profile> profiles;
  WIN32_FIND_DATAA record;
  CFindHandle find(FindFirstFileA((data + "\\*.*").c_str(), &record));
  if (!find.IsValid()) return profiles;
  do {
    if (IsDotEntry(record.cFileName) || (record.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !(record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      continue;
    std::string folder = ChildPath(data, record.cFileName);
    if (IsPlainFile(folder + "\\Preferences")) profiles.push_back({folder, folder});
  } while (FindNextFileA(find.Get(), &record));
  return profiles;
}

void EraseBrowser(CRunContext& run, const ChromiumBrowser& browser) {
  if (!run.SpecialFolder(browser.csidl)) return;
  std::string base = run.pathBuffer;
  if (!IsPlainFolder(base, browser.data)) return;
  std::string data = ChildPath(base, browser.data), dataTwin = data;
  std::vector<Profile> profiles;
  if (browser.single) {
    if (run.SpecialFolder(CSIDL_LOCAL_APPDATA) && IsPlainFolder(run.pathBuffer, browser.data))
      dataTwin = ChildPath(run.pathBuffer, browser.data);
    if (IsPlainFile(data + "\\Preferences")) profiles.push_back({data, dataTwin});
  } else {
    profiles = ListProfiles(data);
  }
  if (profiles.empty()) return;

  // Held until the browser is done. Opera keeps its lockfile in its profile
  // folder, which is its `data` here.
  CBrowserLock lock;
  if (!lock.Take(data + "\\lockfile")) {
    LogBrowserOpen(browser.name);
    return;
  }
  for (const BrowserBox& box : kBrowserBoxes) {
    if (!run.On(box.flag)) continue;
    LogBrowserBox(browser.name, box);
    for (const Profile& profile : profiles) {
      if (box.flag == kIeCookies) EraseCookies(profile);
      if (box.flag == kTypedUrls) EraseTypedUrls(profile);
      if (box.flag == kIeCache) EraseCache(profile);
      if (box.flag == kIeFavorites) EraseFavorites(profile);
      if (box.flag == kIeHistory) EraseHistory(profile);
    }
    if (box.flag == kIeCache) {
      EmptyCaches(data, kSharedCaches, std::size(kSharedCaches));
      if (dataTwin != data) EmptyCaches(dataTwin, kSharedCaches, std::size(kSharedCaches));
    }
    if (box.flag == kIeHistory) EraseSharedHistory(data);
  }
}

}  // namespace

void EraseChromiumBrowsers(CRunContext& run) {
  for (const ChromiumBrowser& browser : kBrowsers) EraseBrowser(run, browser);
}
