// A Chromium profile's Preferences file: the per-site records Chromium keeps
// among the user's settings (engagement scores and the like), which its own
// history and site-data clearing remove. The file is the user's whole browser
// setup, so only those entries go and every other byte stays as it was.

#include "engine/EraseCount.h"
#include "engine/EraseNames.h"
#include "engine/Primitives.h"
#include "engine/browsers/Chromium.h"
#include "third_party/sqlite/sqlite3.h"

namespace chromium {

// What Chromium's own clearing takes, read from its ChromeBrowsingDataRemoverDelegate
// (Chromium 156): "Cookies and other site data" is DATA_TYPE_SITE_DATA, whose
// site-usage part shares a block of records with DATA_TYPE_HISTORY.
const SiteRecord kSiteRecords[29] = {
    // Site usage. Chromium's history clearing leaves site_engagement, but it
    // is a record of the visits, so History takes it too.
    {"site_engagement", kHistoryTakes | kCookiesTakes},
    {"media_engagement", kHistoryTakes | kCookiesTakes},
    // The block site usage shares with history.
    {"formfill_metadata", kHistoryTakes | kCookiesTakes},
    {"app_banner", kHistoryTakes | kCookiesTakes},
    {"notification_interactions", kHistoryTakes | kCookiesTakes},
    {"permission_autoblocking_data", kHistoryTakes | kCookiesTakes},  // prompts dismissed, ignored
    {"unused_site_permissions", kHistoryTakes | kCookiesTakes},       // Safety Hub's revocations
    {"abusive_notification_permissions", kHistoryTakes | kCookiesTakes},
    {"disruptive_notification_permissions", kHistoryTakes | kCookiesTakes},
    {"notification_permission_review", kHistoryTakes | kCookiesTakes},
    {"file_system_last_picked_directory", kHistoryTakes | kCookiesTakes},
    {"initialized_translations", kHistoryTakes | kCookiesTakes},
    {"intent_picker_auto_display", kHistoryTakes | kCookiesTakes},
    {"are_suspicious_notifications_allowlisted_by_user", kHistoryTakes | kCookiesTakes},
    {"suspicious_notification_ids", kHistoryTakes | kCookiesTakes},
    {"suspicious_notification_show_original", kHistoryTakes | kCookiesTakes},
    {"suspicious_site_warning_data", kHistoryTakes | kCookiesTakes},
    // An identity provider's sign-in state and what was shared with it:
    // cleared with history, cookies and passwords alike.
    {"fedcm_idp_signin", kHistoryTakes | kCookiesTakes},
    {"fedcm_share", kHistoryTakes | kCookiesTakes},
    {"webid_auto_reauthn", kHistoryTakes | kCookiesTakes},
    // History's alone: the cookie controls' record, the certificate errors and
    // HTTPS-First warnings the user clicked through (its SSL host state),
    // Safe Browsing's cached verdicts and the ad filter's record of sites (the
    // last three emptied when all history goes).
    {"cookie_controls_metadata", kHistoryTakes},
    {"ssl_cert_decisions", kHistoryTakes},
    {"http_allowed", kHistoryTakes},
    {"https_enforced", kHistoryTakes},
    {"password_protection", kHistoryTakes},
    {"safe_browsing_url_check_data", kHistoryTakes},
    {"subresource_filter_data", kHistoryTakes},
    // Chromium's history and cookie clearing take these too, but the user
    // made them: third-party sign-in allowed or blocked for a site, and an
    // identity provider the user let register itself. They stay.
    {"webid_api", 0},
    {"fedcm_idp_registration", 0},
};

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

void EraseSiteRecords(const std::string& folder, unsigned box) {
  // A swap a killed run left was put right before any box (RecoverSwaps).
  std::string path = folder + "\\Preferences", text;
  CSqliteDb db;
  if (!IsPlainFile(path)) return;
  if (!ReadWholeFile(path, text) || db.Open(":memory:") != SQLITE_OK ||
      db.Exec(kPrefs, text) != SQLITE_OK || db.Exec(kSchema) != SQLITE_OK)
    return NoteStoreLeft(path);
  // A file that is not strict JSON was not read at all: what it holds is unknown.
  if (db.QueryInt("SELECT count(*) FROM prefs", 0) != 1) return NoteStoreLeft(path);
  for (const SiteRecord& record : kSiteRecords)
    if ((record.boxes & box) && db.Exec("INSERT INTO edited VALUES (?1)", record.name) != SQLITE_OK)
      return;
  // Nothing to remove: it is not rewritten.
  long long entries = db.QueryInt("SELECT count(*) FROM web", 0);
  if (entries <= 0) return;
  if (db.QueryInt(kProtected, 1) != 0) return NoteStoreLeft(path);
  for (long long i = 0; i < entries; ++i)
    if (db.Exec("UPDATE prefs SET json = jsonb_remove(json, web.path) "
                "FROM (SELECT path FROM web LIMIT 1) AS web") != SQLITE_OK)
      return;
  std::string edited = db.QueryText("SELECT json(json) FROM prefs");
  if (db.QueryInt("SELECT count(*) FROM web", 1) == 0 && !edited.empty())
    ReplaceWholeFile(path, edited);
}

}  // namespace chromium
