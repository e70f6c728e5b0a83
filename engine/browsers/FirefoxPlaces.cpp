// Firefox's places.sqlite and favicons.sqlite: the autocomplete, Favorites
// and History boxes, and what else History takes.
#include <climits>

#include "engine/EraseCount.h"
#include "engine/EraseNames.h"
#include "engine/Primitives.h"
#include "engine/browsers/Firefox.h"
#include "engine/browsers/SiteOrigins.h"
#include "third_party/sqlite/sqlite3.h"

namespace firefox {
namespace {

// The newest schema (PRAGMA user_version) these steps know, as Firefox 153 ESR
// writes it; a newer database is left as it is. favicons.sqlite keeps no
// version of its own: Firefox versions it with places.sqlite, which is always
// checked first, in the same connection.
constexpr int kPlacesVersion = 86, kProtectionsVersion = 1;

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
  std::string places = profile.folder + "\\places.sqlite";
  if (!OpenVersioned(db, places, kPlacesVersion)) return;
  if (!db.HasColumns("moz_places", {"id", "url", "visit_count", "last_visit_date", "typed",
                                    "foreign_count", "origin_id"}) ||
      !db.HasColumns("moz_historyvisits", {"place_id"}) ||
      !db.HasColumns("moz_bookmarks", {"fk", "guid"}) ||
      !db.HasColumns("moz_keywords", {"place_id"}) ||
      !db.HasColumns("moz_origins", {"id", "prefix", "host"}))
    return NoteStoreLeft(places);
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

}  // namespace

void EraseTypedUrls(const FirefoxProfile& profile) {
  CSqliteDb db;
  std::string places = profile.folder + "\\places.sqlite";
  if (!OpenVersioned(db, places, kPlacesVersion)) return;
  if (!db.HasColumns("moz_places", {"typed"}) || !db.HasTable("moz_inputhistory"))
    return NoteStoreLeft(places);
  ChangeAndCompact(db, [](CSqliteDb& d) {
    return RunWhereKnown(d,
                         {{"moz_places", "recalc_frecency",
                           "UPDATE moz_places SET recalc_frecency=1 WHERE typed<>0"},
                          {"moz_places", nullptr, "UPDATE moz_places SET typed=0 WHERE typed<>0"},
                          {"moz_inputhistory", nullptr, "DELETE FROM moz_inputhistory"}});
  });
}

void EraseFavorites(const FirefoxProfile& profile) {
  ChangePlaces(profile, ClearBookmarks);
  if (IsPlainFolder(profile.folder, "bookmarkbackups"))
    EraseFolderContents(profile.folder + "\\bookmarkbackups", 0, 0);
}

// Besides places, Firefox's own history clearing (Sanitizer's history item)
// empties the content-blocking statistics (TrackingDBService: counts per
// day) and wipes the new-tab page's thumbnails (PageThumbs, on
// "history-cleared"). permissions.sqlite keeps when the user last interacted
// with each site (moz_origin_interactions), a record of the visits as well:
// those of web sites go, and the permissions beside them, the user's own, stay.
void EraseHistory(const FirefoxProfile& profile) {
  ChangePlaces(profile, ClearHistory);
  CSqliteDb db;
  if (OpenVersioned(db, profile.folder + "\\protections.sqlite", kProtectionsVersion) &&
      db.HasTable("events"))
    ChangeAndCompact(db, [](CSqliteDb& d) { return d.Exec("DELETE FROM events"); });
  CSqliteDb permissions;
  if (OpenVersioned(permissions, profile.folder + "\\permissions.sqlite", kPermissionsVersion) &&
      AddSiteTests(permissions) == SQLITE_OK)
    DeleteRows(permissions, {{"moz_origin_interactions", {"origin"}, "web_key(origin)"}});
  if (!profile.cache.empty() && IsPlainFolder(profile.cache, "thumbnails"))
    EraseFolderContents(ChildPath(profile.cache, "thumbnails"), 0, 0);
}

}  // namespace firefox
