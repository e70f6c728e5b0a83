// The stores beside History that Chromium's own history clearing empties, for
// the names of sites they keep: the password manager's record of dismissed
// save prompts, the sites that sat in background tabs, the optimization
// guide's fetched hints and the extension activity log. Each is only changed
// when its layout is one these steps know; otherwise it stays as it is.
#include <string_view>

#include "engine/EraseCount.h"
#include "engine/browsers/Chromium.h"
#include "engine/stores/LevelDb.h"
#include "engine/stores/ProtoFields.h"

namespace chromium {

namespace {

// Login Data's `stats`: each site where the user dismissed the offer to save
// a password, with the user name. The saved passwords (`logins`) stay.
// Chromium 156 writes last_compatible_version 40.
constexpr long long kLoginDataVersion = 40;

void EmptyLoginStats(const std::string& path) {
  CSqliteDb db;
  if (OpenChecked(db, path, kLoginDataVersion, "stats",
                  {"origin_domain", "username_value", "dismissal_count", "update_time"}))
    DeleteRows(db, {{"stats", {}, "1"}});
}

// The extension activity log (written only when activity logging is on):
// what extensions did on which pages. Chromium's history clearing blanks its
// addresses and titles; the rows are a record of the pages visited, so all of
// them go, with the interned strings and addresses they name. It keeps no
// version; only the tables are checked.
void EmptyExtensionActivity(const std::string& path) {
  CSqliteDb db;
  if (!OpenChecked(db, path, kAnyVersion, "activitylog_compressed",
                   {"page_url_x", "page_title_x", "arg_url_x"}))
    return;
  if (!db.HasColumns("string_ids", {"id", "value"}) || !db.HasColumns("url_ids", {"id", "value"}))
    return NoteStoreLeft(path);
  DeleteRows(db,
             {{"activitylog_compressed", {}, "1"}, {"string_ids", {}, "1"}, {"url_ids", {}, "1"}});
}

// The value of `key` in the folder's live entries, or nothing when the folder
// does not open or has no such entry.
bool ReadEntry(CLevelDbRebuild& db, std::string_view key, std::string& value) {
  bool found = false;
  bool read = db.ForEach([&](std::string_view k, std::string_view v) {
    if (k == key) {
      value.assign(v);
      found = true;
    }
  });
  return read && found;
}

// The Site Characteristics Database: an entry per site that sat in a
// background tab (keyed by the MD5 of its host), beside "database_metadata",
// its version. Chromium's history clearing destroys and recreates it, which
// leaves the version alone; version 1 is the layout these steps know.
void EmptySiteCharacteristics(const std::string& profile) {
  if (!IsPlainFolder(profile, "Site Characteristics Database")) return;
  CLevelDbRebuild db(profile + "\\Site Characteristics Database");
  std::string version;
  if (!db.Open()) return;
  if (ReadEntry(db, "database_metadata", version) && version == "1")
    db.Rebuild([](std::string_view key, std::string_view) { return key != "database_metadata"; });
  else
    NoteStoreLeft(profile + "\\Site Characteristics Database");
}

// The optimization guide's hint cache: the hints Chromium fetched for the
// hosts the user visited are entries "3_<host>", which its history clearing
// removes; the metadata ("1_...") and the hints a component delivered
// ("2_<version>_<host>", the same for everyone) stay. The schema entry "1_1"
// holds the store's version in field 1 of its message; "1" is the layout
// these steps know.
bool IsKnownHintSchema(std::string_view entry) {
  std::string_view version;
  bool parsed = ForEachProtoField(entry, [&](const ProtoField& field) {
    if (field.number == 1 && field.wireType == 2) version = field.bytes;
  });
  return parsed && version == "1";
}

void EraseFetchedHints(const std::string& profile) {
  if (!IsPlainFolder(profile, "optimization_guide_hint_cache_store")) return;
  CLevelDbRebuild db(profile + "\\optimization_guide_hint_cache_store");
  std::string schema;
  if (!db.Open()) return;
  if (ReadEntry(db, "1_1", schema) && IsKnownHintSchema(schema))
    db.Rebuild([](std::string_view key, std::string_view) { return key.substr(0, 2) == "3_"; });
  else
    NoteStoreLeft(profile + "\\optimization_guide_hint_cache_store");
}

}  // namespace

void EraseHistoryStores(const ChromiumProfile& profile) {
  EmptyLoginStats(profile.folder + "\\Login Data");
  EmptyLoginStats(profile.folder + "\\Login Data For Account");
  EmptySiteCharacteristics(profile.folder);
  EraseFetchedHints(profile.folder);
  EmptyExtensionActivity(profile.folder + "\\Extension Activity");
}

}  // namespace chromium
