// The Chromium family's Cookies, autocomplete, Cache and Favorites boxes, and
// the database helpers every box uses.
#include <climits>
#include <iterator>

#include "engine/EraseCount.h"
#include "engine/EraseNames.h"
#include "engine/Primitives.h"
#include "engine/browsers/Chromium.h"
#include "third_party/sqlite/sqlite3.h"

namespace chromium {

const char* const kBookmarkFiles[6] = {"Bookmarks",           "Bookmarks.bak",
                                       "AccountBookmarks",    "AccountBookmarks.bak",
                                       "EncryptedBookmarks2", "EncryptedBookmarks2.bak"};

namespace {

// Cache folders, emptied and kept: those of a profile, then those the whole
// User Data shares. The service workers' caches (Service Worker\CacheStorage,
// ScriptCache) are what sites stored, not cache: the Cookies box takes a web
// origin's, and an extension's stay.
const char* const kProfileCaches[] = {"Cache",      "Code Cache",        "GPUCache",
                                      "DawnCache",  "DawnGraphiteCache", "DawnWebGPUCache",
                                      "Media Cache"};
const char* const kSharedCaches[] = {"GrShaderCache", "ShaderCache", "GraphiteDawnCache",
                                     "GPUPersistentCache"};

void EmptyCaches(const std::string& folder, const char* const* names, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (IsPlainFolder(folder, names[i])) EraseFolderContents(ChildPath(folder, names[i]), 0, 0);
}

}  // namespace

bool OpenChecked(CSqliteDb& db, const std::string& path, long long version, const char* table,
                 std::initializer_list<const char*> columns) {
  bool known =
      OpenBrowserDb(db, path) &&
      (version == kAnyVersion ||
       (db.HasColumns("meta", {"key", "value"}) &&
        db.QueryInt("SELECT value FROM meta WHERE key='last_compatible_version'", LLONG_MAX) <=
            version)) &&
      db.HasColumns(table, columns);
  // A missing file, or a link (never followed), is nothing left behind.
  if (!known && IsPlainFile(path)) NoteStoreLeft(path);
  return known;
}

void EmptyTable(const std::string& path, long long version, const char* table) {
  CSqliteDb db;
  if (!OpenChecked(db, path, version, table, {})) return;
  std::string sql = std::string("DELETE FROM ") + table;
  ChangeAndCompact(db, [&](CSqliteDb& d) { return d.Exec(sql.c_str()); });
}

void EraseCookies(const ChromiumProfile& profile) {
  if (IsPlainFolder(profile.folder, "Network"))
    EmptyTable(profile.folder + "\\Network\\Cookies", kCookiesVersion, "cookies");
  EmptyTable(profile.folder + "\\Cookies", kCookiesVersion, "cookies");
  EmptyTable(profile.folder + "\\Extension Cookies", kCookiesVersion, "cookies");
  EraseSiteRecords(profile.folder, kCookiesTakes);
  EraseSiteData(profile);
}

// The typed counts, the omnibox's shortcuts (typed text -> page) and the
// action predictor's table of the same.
void EraseTypedUrls(const ChromiumProfile& profile) {
  CSqliteDb history;
  if (OpenChecked(history, profile.folder + "\\History", kHistoryVersion, "urls", {"typed_count"}))
    ChangeAndCompact(history, [](CSqliteDb& db) {
      return db.Exec("UPDATE urls SET typed_count=0 WHERE typed_count<>0");
    });
  EmptyTable(profile.folder + "\\Shortcuts", kShortcutsVersion, "omni_box_shortcuts");
  EmptyTable(profile.folder + "\\Network Action Predictor", kAnyVersion,
             "network_action_predictor");
}

void EraseCache(const ChromiumProfile& profile) {
  EmptyCaches(profile.folder, kProfileCaches, std::size(kProfileCaches));
  if (profile.cache != profile.folder)
    EmptyCaches(profile.cache, kProfileCaches, std::size(kProfileCaches));
}

void EraseSharedCaches(const std::string& data) {
  EmptyCaches(data, kSharedCaches, std::size(kSharedCaches));
}

void EraseFavorites(const ChromiumProfile& profile) {
  for (const char* name : kBookmarkFiles) {
    std::string path = ChildPath(profile.folder, name);
    if (IsPlainFile(path)) WipeFile(path);
  }
}

}  // namespace chromium
