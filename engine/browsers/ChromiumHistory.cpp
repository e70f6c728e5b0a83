// The Chromium family's History box: History, Favicons, Top Sites, Shortcuts,
// the action predictor, DIPS, the heavy-ad blocklist, the per-site records
// of Preferences, the downloads list's second copy and the segmentation
// platform's copy of the visits; the other stores it empties are in
// ChromiumHistoryStores.cpp.
#include <string_view>
#include <vector>

#include "engine/EraseCount.h"
#include "engine/EraseNames.h"
#include "engine/Primitives.h"
#include "engine/browsers/Chromium.h"
#include "engine/stores/LevelDb.h"
#include "third_party/sqlite/sqlite3.h"

namespace chromium {

namespace {

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

std::string Quoted(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) quoted.append(c == '"' ? 2 : 1, c);
  return quoted + "\"";
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

void EraseHistoryDb(const std::string& profile) {
  CSqliteDb db;
  std::string path = profile + "\\History";
  if (!OpenChecked(db, path, kHistoryVersion, "urls",
                   {"url", "visit_count", "typed_count", "last_visit_time"}))
    return;
  // Without the bookmarks, no one can tell which rows must stay.
  if (!db.HasTable("visits") || LoadKeptUrls(db, profile) != SQLITE_OK) return NoteStoreLeft(path);
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
  std::string path = profile + "\\Favicons";
  if (!OpenChecked(db, path, kFaviconsVersion, "icon_mapping", {"page_url", "icon_id"})) return;
  if (!db.HasColumns("favicons", {"id"}) || !db.HasColumns("favicon_bitmaps", {"icon_id"}) ||
      LoadKeptUrls(db, profile) != SQLITE_OK)
    return NoteStoreLeft(path);
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

// DIPS (bounce-tracking mitigation): `bounces` names each site the user
// interacted with or was bounced through, with the times, and `popups` the
// sites that opened popups. Chromium's history clearing removes the
// interactions and popups, its cookie clearing the bounce times, and a row
// with no time left goes; the whole of both is a record of visits, so
// History takes both. meta and config hold versions and settings only.
void EmptyDips(const std::string& path) {
  CSqliteDb db;
  if (!OpenChecked(db, path, kDipsVersion, "bounces", {})) return;
  if (!db.HasTable("popups")) return NoteStoreLeft(path);
  ChangeAndCompact(db, [](CSqliteDb& d) {
    int result = d.Exec("DELETE FROM bounces");
    return result == SQLITE_OK ? d.Exec("DELETE FROM popups") : result;
  });
}

// Chromium keeps each download a second time in shared_proto_db, the LevelDB
// its features share, as an entry "21_download,<guid>" holding the file's
// address and the page's. Every other entry there stays.
void EraseDownloadEntries(const std::string& profile) {
  if (!IsPlainFolder(profile, "shared_proto_db")) return;
  CLevelDbRebuild db(profile + "\\shared_proto_db");
  if (db.Open())
    db.Rebuild(
        [](std::string_view key, std::string_view) { return key.substr(0, 12) == "21_download,"; });
}

}  // namespace

void EraseHistory(const ChromiumProfile& profile) {
  EraseHistoryDb(profile.folder);
  EraseFavicons(profile.folder);
  EmptyTable(profile.folder + "\\Top Sites", kTopSitesVersion, "top_sites");
  EmptyTable(profile.folder + "\\Shortcuts", kShortcutsVersion, "omni_box_shortcuts");
  EmptyPredictor(profile.folder + "\\Network Action Predictor");
  EraseDownloadEntries(profile.folder);
  std::string visited = profile.folder + "\\Visited Links";
  if (IsPlainFile(visited)) WipeFile(visited);
  EraseSiteRecords(profile.folder, kHistoryTakes);
  EmptyDips(profile.folder + "\\DIPS");
  // The heavy-ad intervention's record of the hosts whose ads it unloaded;
  // its enabled_previews_v1 holds versions only.
  EmptyTable(profile.folder + "\\heavy_ad_intervention_opt_out.db", kAnyVersion, "previews_v1");
  EraseHistoryStores(profile);
}

// The segmentation platform's record of the pages visited, shared by every
// profile of the User Data.
void EraseSharedHistory(const std::string& data) {
  if (!IsPlainFolder(data, "segmentation_platform")) return;
  CSqliteDb db;
  std::string path = data + "\\segmentation_platform\\ukm_db";
  if (!OpenChecked(db, path, kAnyVersion, "urls", {"url"})) return;
  if (!db.HasColumns("metrics", {"url_id"})) return NoteStoreLeft(path);
  ChangeAndCompact(db, [](CSqliteDb& d) {
    int result = d.Exec("DELETE FROM urls");
    return result == SQLITE_OK ? d.Exec("DELETE FROM metrics") : result;
  });
}

}  // namespace chromium
