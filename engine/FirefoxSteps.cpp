// Firefox: every profile that profiles.ini names. What each box erases is
// listed in docs/browsers.md.
#include <climits>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/EraseNames.h"
#include "engine/Primitives.h"
#include "engine/TodayBrowsers.h"
#include "third_party/sqlite/sqlite3.h"

namespace {

const char kFirefox[] = "Firefox";

// The newest schema (PRAGMA user_version) these steps know, as Firefox 153 ESR
// writes it; a newer database is left as it is. favicons.sqlite keeps no
// version of its own: Firefox versions it with places.sqlite, which is always
// checked first, in the same connection.
constexpr int kPlacesVersion = 86, kCookiesVersion = 17;

struct FirefoxProfile {
  std::string folder;
  std::string cache;  // "" when it has no cache folder
};

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

bool OpenVersioned(CSqliteDb& db, const std::string& path, int version) {
  return OpenBrowserDb(db, path) && db.QueryInt("PRAGMA user_version", INT_MAX) <= version;
}

void EraseCookies(const FirefoxProfile& profile) {
  CSqliteDb db;
  if (!OpenVersioned(db, profile.folder + "\\cookies.sqlite", kCookiesVersion) ||
      !db.HasTable("moz_cookies"))
    return;
  ChangeAndCompact(db, [](CSqliteDb& d) { return d.Exec("DELETE FROM moz_cookies"); });
}

// Runs each statement of `sql` whose table exists (and, for an UPDATE, has the
// column it sets) until one fails.
struct Statement {
  const char* table;
  const char* column;  // nullptr: the table is enough
  const char* sql;
};
int RunWhereKnown(CSqliteDb& db, std::initializer_list<Statement> statements) {
  int result = SQLITE_OK;
  for (const Statement& s : statements) {
    if (result != SQLITE_OK) break;
    if (s.column ? db.HasColumns(s.table, {s.column}) : db.HasTable(s.table))
      result = db.Exec(s.sql);
  }
  return result;
}

// Rows that belonged to places now gone, and origins no place uses any more.
int DropOrphans(CSqliteDb& db) {
  return RunWhereKnown(
      db, {{"moz_inputhistory", "place_id",
            "DELETE FROM moz_inputhistory WHERE place_id NOT IN (SELECT id FROM moz_places)"},
           {"moz_annos", "place_id",
            "DELETE FROM moz_annos WHERE place_id NOT IN (SELECT id FROM moz_places)"},
           {"moz_places_extra", "place_id",
            "DELETE FROM moz_places_extra WHERE place_id NOT IN (SELECT id FROM moz_places)"},
           {"moz_places_metadata", "place_id",
            "DELETE FROM moz_places_metadata WHERE place_id NOT IN (SELECT id FROM moz_places) OR "
            "referrer_place_id NOT IN (SELECT id FROM moz_places)"},
           {"moz_newtab_shortcuts_interaction", "place_id",
            "DELETE FROM moz_newtab_shortcuts_interaction WHERE place_id NOT IN "
            "(SELECT id FROM moz_places)"},
           {"moz_origins", nullptr,
            "DELETE FROM moz_origins WHERE id NOT IN "
            "(SELECT origin_id FROM moz_places WHERE origin_id IS NOT NULL)"},
           {"moz_origins", "recalc_frecency", "UPDATE moz_origins SET recalc_frecency=1"}});
}

// Everything a visit left, as "Clear history" does; a place that is
// bookmarked or has a keyword stays, with nothing left to count.
int ClearHistory(CSqliteDb& db) {
  int result = RunWhereKnown(
      db, {{"moz_historyvisits", nullptr, "DELETE FROM moz_historyvisits"},
           {"moz_historyvisits_extra", nullptr, "DELETE FROM moz_historyvisits_extra"},
           {"moz_places_metadata", nullptr, "DELETE FROM moz_places_metadata"},
           {"moz_places_metadata_search_queries", nullptr,
            "DELETE FROM moz_places_metadata_search_queries"},
           {"moz_places", nullptr,
            "DELETE FROM moz_places WHERE foreign_count=0 AND "
            "id NOT IN (SELECT fk FROM moz_bookmarks WHERE fk IS NOT NULL) AND "
            "id NOT IN (SELECT place_id FROM moz_keywords WHERE place_id IS NOT NULL)"},
           {"moz_places", nullptr,
            "UPDATE moz_places SET visit_count=0, last_visit_date=NULL, typed=0"},
           {"moz_places", "recalc_frecency", "UPDATE moz_places SET recalc_frecency=1"},
           {"moz_places", "recalc_alt_frecency", "UPDATE moz_places SET recalc_alt_frecency=1"}});
  return result == SQLITE_OK ? DropOrphans(db) : result;
}

// The user's bookmark items (never the six roots), their annotations and
// keywords, and the places that were only bookmarked, never visited.
int ClearBookmarks(CSqliteDb& db) {
  int result = RunWhereKnown(
      db, {{"moz_bookmarks", nullptr,
            "DELETE FROM moz_bookmarks WHERE guid NOT IN ('root________', 'menu________', "
            "'toolbar_____', 'tags________', 'unfiled_____', 'mobile______')"},
           {"moz_items_annos", "item_id",
            "DELETE FROM moz_items_annos WHERE item_id NOT IN (SELECT id FROM moz_bookmarks)"},
           {"moz_keywords", nullptr, "DELETE FROM moz_keywords"},
           {"moz_places", nullptr,
            "UPDATE moz_places SET foreign_count="
            "(SELECT count(*) FROM moz_bookmarks WHERE fk=moz_places.id) + "
            "(SELECT count(*) FROM moz_keywords WHERE place_id=moz_places.id) "
            "WHERE foreign_count<>0"},
           {"moz_places", nullptr,
            "DELETE FROM moz_places WHERE foreign_count=0 AND visit_count=0 AND "
            "id NOT IN (SELECT place_id FROM moz_historyvisits WHERE place_id IS NOT NULL)"}});
  return result == SQLITE_OK ? DropOrphans(db) : result;
}

// The icons of pages that have no place any more. A site's root icon
// (/favicon.ico) stays while a place of its origin does.
int ClearOrphanIcons(CSqliteDb& db) {
  int result = db.Exec(
      "DELETE FROM favicons.moz_pages_w_icons WHERE page_url NOT IN "
      "(SELECT url FROM main.moz_places WHERE url IS NOT NULL)");
  if (result == SQLITE_OK)
    result = db.Exec(
        "DELETE FROM favicons.moz_icons_to_pages WHERE page_id NOT IN "
        "(SELECT id FROM favicons.moz_pages_w_icons)");
  if (result == SQLITE_OK)
    result = db.Exec(
        "DELETE FROM favicons.moz_icons WHERE id NOT IN "
        "(SELECT icon_id FROM favicons.moz_icons_to_pages) AND NOT (root=1 AND EXISTS "
        "(SELECT 1 FROM main.moz_origins AS o WHERE "
        "substr(icon_url, 1, length(o.prefix || o.host) + 1) = o.prefix || o.host || '/'))");
  return result;
}

// places.sqlite changed by `clear`, then favicons.sqlite brought in line with
// it, each in its own transaction and compacted after it.
void ChangePlaces(const FirefoxProfile& profile, int (*clear)(CSqliteDb&)) {
  CSqliteDb db;
  if (!OpenVersioned(db, profile.folder + "\\places.sqlite", kPlacesVersion) ||
      !db.HasColumns("moz_places", {"id", "url", "visit_count", "last_visit_date", "typed",
                                    "foreign_count", "origin_id"}) ||
      !db.HasColumns("moz_historyvisits", {"place_id"}) ||
      !db.HasColumns("moz_bookmarks", {"fk", "guid"}) ||
      !db.HasColumns("moz_keywords", {"place_id"}) ||
      !db.HasColumns("moz_origins", {"id", "prefix", "host"}))
    return;
  // Attached before anything changes: a favicons.sqlite that is not what is
  // expected stays out, and places.sqlite is cleaned all the same.
  std::string icons = profile.folder + "\\favicons.sqlite";
  bool withIcons = IsPlainFile(icons) && db.Attach(icons, "favicons") == SQLITE_OK &&
                   db.HasColumns("moz_pages_w_icons", {"id", "page_url"}, "favicons") &&
                   db.HasColumns("moz_icons_to_pages", {"page_id", "icon_id"}, "favicons") &&
                   db.HasColumns("moz_icons", {"id", "icon_url", "root"}, "favicons");
  if (db.Transaction(clear) != SQLITE_OK) return;
  db.Compact();
  if (withIcons) ChangeAndCompact(db, ClearOrphanIcons, "favicons");
}

void EraseTypedUrls(const FirefoxProfile& profile) {
  CSqliteDb db;
  if (!OpenVersioned(db, profile.folder + "\\places.sqlite", kPlacesVersion) ||
      !db.HasColumns("moz_places", {"typed"}) || !db.HasTable("moz_inputhistory"))
    return;
  ChangeAndCompact(db, [](CSqliteDb& d) {
    return RunWhereKnown(d,
                         {{"moz_places", "recalc_frecency",
                           "UPDATE moz_places SET recalc_frecency=1 WHERE typed<>0"},
                          {"moz_places", nullptr, "UPDATE moz_places SET typed=0 WHERE typed<>0"},
                          {"moz_inputhistory", nullptr, "DELETE FROM moz_inputhistory"}});
  });
}

void EraseCache(const FirefoxProfile& profile) {
  if (profile.cache.empty()) return;
  for (const char* name : {"cache2", "thumbnails"})
    if (IsPlainFolder(profile.cache, name))
      EraseFolderContents(ChildPath(profile.cache, name), 0, 0);
}

void EraseFavorites(const FirefoxProfile& profile) {
  ChangePlaces(profile, ClearBookmarks);
  if (IsPlainFolder(profile.folder, "bookmarkbackups"))
    EraseFolderContents(profile.folder + "\\bookmarkbackups", 0, 0);
}

}  // namespace

void EraseFirefox(CRunContext& run) {
  std::vector<FirefoxProfile> found = ListProfiles(run);
  // A profile in use is left whole; the others are cleaned while their
  // parent.lock is held here.
  std::vector<FirefoxProfile> profiles;
  std::vector<std::unique_ptr<CBrowserLock>> locks;
  bool open = false;
  for (const FirefoxProfile& profile : found) {
    locks.push_back(std::make_unique<CBrowserLock>());
    if (locks.back()->Take(profile.folder + "\\parent.lock"))
      profiles.push_back(profile);
    else
      open = true;
  }
  if (open) LogBrowserOpen(kFirefox);
  if (profiles.empty()) return;
  for (const BrowserBox& box : kBrowserBoxes) {
    if (!run.On(box.flag)) continue;
    LogBrowserBox(kFirefox, box);
    for (const FirefoxProfile& profile : profiles) {
      if (box.flag == kIeCookies) EraseCookies(profile);
      if (box.flag == kTypedUrls) EraseTypedUrls(profile);
      if (box.flag == kIeCache) EraseCache(profile);
      if (box.flag == kIeFavorites) EraseFavorites(profile);
      if (box.flag == kIeHistory) ChangePlaces(profile, ClearHistory);
    }
  }
}
