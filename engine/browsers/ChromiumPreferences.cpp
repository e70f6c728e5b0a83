// A Chromium profile's Preferences file: the per-site records Chromium keeps
// among the user's settings (engagement scores and the like), which its own
// history and site-data clearing remove. The file is the user's whole browser
// setup, so only those entries go and every other byte stays as it was.
#include <iterator>

#include "engine/EraseNames.h"
#include "engine/Primitives.h"
#include "engine/browsers/Chromium.h"
#include "third_party/sqlite/sqlite3.h"

namespace chromium {

const char* const kSiteRecords[6] = {"site_engagement",           "media_engagement",
                                     "formfill_metadata",         "app_banner",
                                     "notification_interactions", "cookie_controls_metadata"};

namespace {

// The edit is made on a copy held by an in-memory SQLite connection, with its
// JSON functions. Observed with SQLite 3.52: jsonb_remove takes out the entry
// and the comma before or after it, and json() renders every other byte as it
// was read: numbers as written (1.3441086952999172e+16, 0.0, 1E+2),
// string escapes (\u003C, \/), non-ASCII text and the order of keys; a path
// label matches a key written with escapes. It does not keep whitespace (it
// writes none) and it reads JSON5 too (a trailing comma, comments), writing
// JSON. So a file is edited only when its rendering, unchanged, is the file
// itself, which also rules out all that is not strict JSON (text that is not
// JSON5 either fails the statement); Chromium writes Preferences with no
// whitespace at all. Duplicate keys: jsonb_remove takes the first of them,
// so each entry is removed by its own call, and the file stays as it is if
// any entry is left afterwards.
const char kPrefs[] = "CREATE TABLE prefs AS SELECT jsonb(?1) AS json WHERE json_remove(?1)=?1";
const char kSchema[] =
    "CREATE TABLE edited(name TEXT);"
    // A web origin's entry: its pattern ("<primary>,<secondary>") begins with
    // an http, https or file origin. The browser's own pages (chrome://,
    // chrome-extension://, devtools://...) keep theirs.
    "CREATE VIEW web AS SELECT e.fullkey AS path FROM prefs, edited, "
    "json_each(prefs.json, '$.profile.content_settings.exceptions.' || edited.name) AS e "
    "WHERE e.key LIKE 'http://%' OR e.key LIKE 'https://%' OR e.key LIKE 'file://%'";

// Chromium keeps a MAC of each protected setting under protection.macs (and,
// for a signed-in account's settings, its account_values), and resets a
// setting whose MAC no longer matches. It enforces this on Windows and macOS
// only, so a Linux profile never shows it; a file that protects an edited
// setting, or holds an account's copy of one, is left as it is.
const char kProtected[] =
    "SELECT count(*) FROM prefs, edited, json_each('[\"$.protection.macs.\", "
    "\"$.protection.macs.account_values.\", \"$.account_values.\"]') AS base "
    "WHERE json_type(prefs.json, base.value || 'profile.content_settings.exceptions.' || "
    "edited.name) IS NOT NULL";

}  // namespace

void EraseSiteRecords(const std::string& folder, size_t count) {
  std::string path = folder + "\\Preferences", text;
  // What a run cut short left: the backup still holds the entries, and the
  // file it was swapped for may hold none to remove.
  RecoverWholeFile(path);
  CSqliteDb db;
  if (!IsPlainFile(path) || !ReadWholeFile(path, text) || db.Open(":memory:") != SQLITE_OK ||
      db.Exec(kPrefs, text) != SQLITE_OK || db.Exec(kSchema) != SQLITE_OK)
    return;
  for (size_t i = 0; i < count && i < std::size(kSiteRecords); ++i)
    if (db.Exec("INSERT INTO edited VALUES (?1)", kSiteRecords[i]) != SQLITE_OK) return;
  // Nothing to remove (or a file that did not parse): it is not rewritten.
  long long entries = db.QueryInt("SELECT count(*) FROM web", 0);
  if (entries <= 0 || db.QueryInt(kProtected, 1) != 0) return;
  for (long long i = 0; i < entries; ++i)
    if (db.Exec("UPDATE prefs SET json = jsonb_remove(json, web.path) "
                "FROM (SELECT path FROM web LIMIT 1) AS web") != SQLITE_OK)
      return;
  std::string edited = db.QueryText("SELECT json(json) FROM prefs");
  if (db.QueryInt("SELECT count(*) FROM web", 1) == 0 && !edited.empty())
    ReplaceWholeFile(path, edited);
}

}  // namespace chromium
