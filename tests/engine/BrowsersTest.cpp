// Today's browsers on real profiles (tests/data/browsers, made by Debian's
// chromium and firefox-esr), placed where Windows keeps them: the chromium
// User Data as Google Chrome's (its profile twice), and again as Opera's (caches in the
// %LOCALAPPDATA% twin; one row places it for every browser of the family),
// and the Firefox profile twice through profiles.ini,
// once relative (cache in the twin) and once absolute, beside a Path that
// climbs out with "..". One row per selection: the lines it logs; every file
// no changed pattern names stays byte for byte; no token of the row is left in
// any file it may change (Sessions and sessionstore aside). Each row leaves its
// cleaned copy in C:\tw-cleaned\<row> for tests/browsers/reopen-check.sh.
#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <tuple>

#include "engine/EraseCount.h"
#include "engine/Log.h"
#include "engine/stores/SqliteDb.h"
#include "leveldb/db.h"
#include "profile/SweepProfile.h"
#include "tests/support/BrowserData.h"
#include "tests/support/TableBlocks.h"
#include "tests/support/Win32Test.h"
#include "third_party/sqlite/sqlite3.h"

namespace {

// Each per-site record the profile holds for the site, and the boxes that
// take its web origins' entries, as Chromium's own clearing takes them; 0:
// the user's own (the permission chromium's site settings gave the site).
constexpr unsigned H = 1, C = 2;
// clang-format off
const std::pair<std::string, unsigned> kRecords[] = {{"site_engagement", H | C},
    {"media_engagement", H | C}, {"formfill_metadata", H | C}, {"app_banner", H | C},
    {"notification_interactions", H | C}, {"permission_autoblocking_data", H | C},
    {"unused_site_permissions", H | C}, {"abusive_notification_permissions", H | C},
    {"disruptive_notification_permissions", H | C}, {"notification_permission_review", H | C},
    {"file_system_last_picked_directory", H | C}, {"initialized_translations", H | C},
    {"intent_picker_auto_display", H | C}, {"are_suspicious_notifications_allowlisted_by_user", H | C},
    {"suspicious_notification_ids", H | C}, {"suspicious_notification_show_original", H | C},
    {"suspicious_site_warning_data", H | C}, {"fedcm_idp_signin", H | C}, {"fedcm_share", H | C},
    {"webid_auto_reauthn", H | C}, {"cookie_controls_metadata", H}, {"ssl_cert_decisions", H},
    {"http_allowed", H}, {"https_enforced", H}, {"password_protection", H},
    {"safe_browsing_url_check_data", H}, {"subresource_filter_data", H}, {"notifications", 0},
    {"webid_api", 0}, {"fedcm_idp_registration", 0}};
// clang-format on

size_t End(const std::string& json, size_t open) {  // the brace closing json[open]
  for (int depth = 0;; ++open)
    if ((depth += json[open] == '{' ? 1 : json[open] == '}' ? -1 : 0) == 0) return open;
}
// The checked-in Preferences with the web origins' entries of each record
// `box` takes cut out, each with one comma: every other byte stays. Its
// entries hold no braces inside strings.
std::string PrefsWithout(unsigned box) {
  std::string json = ReadAll(Source("chromium/User Data/Default/Preferences"));
  for (const auto& [name, boxes] : kRecords) {
    size_t at = json.find('"' + name + "\":{", json.find("\"exceptions\":{")) + name.size() + 4;
    bool held = false;
    while (json[at] == '"') {
      size_t end = End(json, json.find('{', at)) + 1;
      bool web = json.compare(at, 5, "\"http") == 0;
      held |= web && json.find(kTokens.at("SITE_HOST"), at) < end;
      if (!web || !(boxes & box)) {
        at = end + (json[end] == ',');
        continue;
      }
      end += json[end] == ',';                            // the comma after it, or else
      at -= json[end - 1] != ',' && json[at - 1] == ',';  // the one before it
      json.erase(at, end - at);
    }
    EXPECT_TRUE(held) << name << ": the profile holds no record of the site";
  }
  return json;
}
const std::string kSite = "https://" + kTokens.at("CHROMIUM_VISITED") + ".test",
                  kKept = "\"chrome-extension://kept/,*\":{}";

// What the user gave the site stays and names its host: Firefox's
// permissions.sqlite keeps their own permission for it (kSiteRows), Chromium's
// Preferences theirs and the records only History takes (PrefsWithout).
bool UsersOwn(const std::string& path, const std::string& token) {
  return token == "SITE_HOST" && (path.find("\\permissions.sqlite") != std::string::npos ||
                                  path.find("\\Preferences") != std::string::npos);
}

class Browsers;
struct Row {
  const char* name;  // also its folder in C:\tw-cleaned
  std::vector<TargetFlag> flags;
  std::vector<std::string> changes;  // path fragments of the files the row may change
  std::vector<std::string> gone;     // tokens none of those files may hold
  std::vector<std::string> open;     // browsers whose lock a row holds
  void (*setup)(Browsers&) = nullptr;
  void (*check)() = nullptr;
  std::vector<std::string> left = {};  // the stores the summary names as left as they were
};
void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

class Browsers : public ::testing::TestWithParam<Row>, public CRunView {
 public:
  void Hold(const std::string& lock, DWORD share) {
    locks_.push_back(CreateFileA(lock.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                                 CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    ASSERT_NE(locks_.back(), INVALID_HANDLE_VALUE) << lock;
  }

 protected:
  void SetUp() override {
    g_pRunView = this;
    PlaceBrowserProfiles();
  }
  void TearDown() override {
    g_pRunView = nullptr;
    for (HANDLE lock : locks_) CloseHandle(lock);
    RemoveBrowserProfiles();
  }
  void AddLogLine(const std::string& text) override { lines_.push_back(text); }
  HWND GetSafeHwnd() const override { return nullptr; }
  bool AskYesNo(const std::string&) override { return false; }

  std::vector<std::string> lines_;
  std::vector<HANDLE> locks_;
};

TEST_P(Browsers, EachBoxErasesWhatItNamesAndLeavesEveryOtherByte) {
  const Row& row = GetParam();
  if (row.setup) row.setup(*this);
  if (HasFatalFailure()) return;
  Files before, after;
  for (const std::string& root : kRoots) Tree(root, "", &before);
  CSweepProfile profile;
  for (TargetFlag flag : row.flags) profile.di[flag] = 1;
  std::vector<std::string> browsers = {"Internet Explorer"};
  for (const auto& [name, data] : kFamily)
    if (Exists(data)) browsers.push_back(name);
  browsers.push_back("Firefox");

  profile.Run(kRunAllMask);

  std::vector<std::string> lines = {"Start cleaning..."};
  const char* const what[] = {"Cookies", "autocomplete sites", "Cache", "Favorites", "History"};
  // An open Firefox profile is skipped alone: the open row holds one of two.
  for (const std::string& name : browsers) {
    bool open = std::find(row.open.begin(), row.open.end(), name) != row.open.end();
    if (open) lines.push_back(name + " is open: close it to erase its traces.");
    for (int box = 0; box < 5 && (!open || name == "Firefox"); ++box)
      if (profile.di[kIeCookies + box])
        lines.push_back("Erasing " + name + " " + what[box] + "...");
  }
  lines.push_back("Cleaning complete.");
  // The summary also counts the Internet Explorer steps' files: it is checked
  // below against what went from the browsers' folders.
  std::vector<std::string> logged, left;
  const std::string kLeft = "Not erased (a browser file Tidewisp cannot read): ";
  for (const std::string& line : lines_)
    if (line.rfind(kLeft, 0) == 0)
      left.push_back(line.substr(kLeft.size()));
    else if (line.rfind("Erased ", 0) != 0)
      logged.push_back(line);
  EXPECT_EQ(logged, lines);
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, row.left) << "named as left";

  for (const std::string& root : kRoots) Tree(root, "", &after);
  size_t gone = 0;
  for (const auto& entry : before) gone += !after.count(entry.first);
  EXPECT_GE(g_eraseCount.erased, gone) << "every file the browsers' steps deleted is counted";
  auto mayChange = [&](const std::string& path) {  // never where profiles.ini's ".." leads
    bool named = false;
    for (const std::string& part : row.changes) named |= path.find(part) != std::string::npos;
    return named && path.find(kEscape) != 0;
  };
  for (const auto& [path, bytes] : before)
    EXPECT_TRUE(mayChange(path) || (after.count(path) && after[path] == bytes))
        << path << " changed";
  for (const auto& [path, bytes] : after) {
    // A rebuilt LevelDB is new files of its own; nothing else appears.
    std::string name = path.substr(path.rfind('\\') + 1);
    EXPECT_TRUE(before.count(path) || (mayChange(path) && (name.rfind("MANIFEST-", 0) == 0 ||
                                                           name.find(".log") != std::string::npos ||
                                                           name.find(".ldb") != std::string::npos)))
        << path << " appeared";
    if (!mayChange(path) || path.find("\\Sessions\\") != std::string::npos ||
        path.find("sessionstore") != std::string::npos)
      continue;
    std::string searchable = SearchableBytes(path);
    for (const std::string& token : row.gone)
      EXPECT_FALSE(Holds(searchable, kTokens.at(token)) && !UsersOwn(path, token))
          << token << " in " << path;
  }
  for (HANDLE lock : locks_) CloseHandle(lock);
  locks_.clear();
  // The damaged row's databases are the test's own garbage: nothing to reopen.
  std::string cleaned = std::string("C:\\tw-cleaned\\") + row.name;
  RemoveTree(cleaned);
  if (std::string(row.name).rfind("damaged", 0) != 0) {
    Tree(kChrome, cleaned + "\\chromium\\User Data");
    Tree(kRel, cleaned + "\\firefox\\" + kProfile);
    // What ran on those copies, for the reopen check: nothing when they were open.
    std::string boxes;
    for (int box = 0; box < 5; ++box)
      if (profile.di[kIeCookies + box] && row.open.empty()) boxes += std::string(what[box]) + "\n";
    EXPECT_TRUE(WriteAll(cleaned + "\\boxes", boxes));
  }
  if (row.check) row.check();
}

const char kDefault[] = "chromium/User Data/Default";

// Records of kinds the real profiles hold none of, in their own files'
// schemas, naming a site by a token: a DIPS popup, a heavy-ad record, a
// content-blocking count, and in Profile 1's Preferences an extension's entry
// of some records History takes, which stays.
// Then what headless browsers cannot make on a loopback address: Trust Token
// and Reporting/NEL rows, Shared Storage (its schema as Chromium's own test
// data has it), and Firefox's older localStorage rows; and for History, in
// the layouts Chromium 156 writes them: a saved password (which stays) and a
// dismissed save prompt of Profile 1's, a site that sat in a background tab,
// a fetched hint beside a delivered one, and an extension's activity on a
// page (its tables as Chromium's activity log makes them).
void PutEntries(const std::string& folder,
                std::initializer_list<std::pair<std::string, std::string>> entries) {
  leveldb::Options options;
  options.create_if_missing = true;
  leveldb::DB* opened = nullptr;
  ASSERT_TRUE(leveldb::DB::Open(options, folder, &opened).ok()) << folder;
  std::unique_ptr<leveldb::DB> db(opened);
  for (const auto& [key, value] : entries) ASSERT_TRUE(db->Put({}, key, value).ok());
}
std::set<std::string> LevelDbKeys(const std::string& folder) {
  leveldb::DB* opened = nullptr;
  EXPECT_TRUE(leveldb::DB::Open({}, folder, &opened).ok()) << folder;
  std::unique_ptr<leveldb::DB> db(opened);
  std::unique_ptr<leveldb::Iterator> entry(db->NewIterator({}));
  std::set<std::string> keys;
  for (entry->SeekToFirst(); entry->Valid(); entry->Next()) keys.insert(entry->key().ToString());
  return keys;
}
const std::string kHints = kChrome + "\\Default\\optimization_guide_hint_cache_store",
                  kSiteCharacteristics = kChrome + "\\Default\\Site Characteristics Database",
                  kDelivered = "2_1_" + kTokens.at("SITE_HOST");
void SeedSiteRecords(Browsers&) {
  std::string prefs = kChrome + "\\Profile 1\\Preferences", json = ReadAll(prefs);
  for (std::string name :
       {"formfill_metadata", "app_banner", "notification_interactions", "cookie_controls_metadata"})
    json.insert(json.find('"' + name + "\":{") + name.size() + 4, kKept + ",");
  ASSERT_TRUE(WriteAll(prefs, json));
  PutEntries(kSiteCharacteristics, {{"0123456789abcdef0123456789abcdef", kSite}});
  // The schema entry: field 1 (a string), version "1".
  PutEntries(kHints, {{"1_1", "\n\0011"}, {kDelivered, "x"}, {"3_" + kSite.substr(8), kSite}});
  ASSERT_TRUE(WriteAll(kChrome + "\\Default\\Extension Activity", ""));
  CSqliteDb db;
  ASSERT_EQ(db.Open(kChrome + "\\Default\\Extension Activity"), 0);
  ASSERT_EQ(
      db.Exec("CREATE TABLE string_ids (id INTEGER PRIMARY KEY, value TEXT NOT NULL);"
              "CREATE TABLE url_ids (id INTEGER PRIMARY KEY, value TEXT NOT NULL);"
              "CREATE TABLE activitylog_compressed (count INTEGER NOT NULL DEFAULT 1, "
              "extension_id_x INTEGER NOT NULL, time INTEGER, action_type INTEGER, api_name_x "
              "INTEGER, args_x INTEGER, page_url_x INTEGER, page_title_x INTEGER, arg_url_x "
              "INTEGER, other_x INTEGER);"
              "INSERT INTO string_ids VALUES (1, 'ext');"
              "INSERT INTO activitylog_compressed (extension_id_x, page_url_x) VALUES (1, 1)"),
      0);
  ASSERT_EQ(db.Exec("INSERT INTO url_ids VALUES (1, ?1)", kSite), 0);
  ASSERT_EQ(db.Open(kChrome + "\\Profile 1\\Login Data"), 0);
  ASSERT_EQ(
      db.Exec("INSERT INTO logins (origin_url, signon_realm, date_created, blacklisted_by_user, "
              "scheme) VALUES ('https://kept.test/', 'https://kept.test/', 1, 0, 0)"),
      0);
  ASSERT_EQ(db.Open(kChrome + "\\Profile 1\\Login Data For Account"), 0);
  ASSERT_EQ(db.Exec("INSERT INTO stats VALUES (?1, 'u', 1, 1)", kSite), 0);
  ASSERT_EQ(db.Open(kChrome + "\\Default\\DIPS"), 0);
  ASSERT_EQ(db.Exec("INSERT INTO popups VALUES (?1, ?1, 1, 1, 0, 0)", kSite), 0);
  ASSERT_EQ(db.Open(kChrome + "\\Default\\heavy_ad_intervention_opt_out.db"), 0);
  ASSERT_EQ(db.Exec("INSERT INTO previews_v1 VALUES (?1, 1, 1, 0)", kSite), 0);
  ASSERT_EQ(db.Open(kRel + "\\protections.sqlite"), 0);
  ASSERT_EQ(db.Exec("INSERT INTO events (type, count, timestamp) VALUES (1, 1, date('now'))"), 0);
  ASSERT_EQ(db.Open(kChrome + "\\Default\\Network\\Trust Tokens"), 0);
  ASSERT_EQ(db.Exec("INSERT INTO trust_tokens_issuer_config VALUES (?1, x'00')", kSite), 0);
  ASSERT_EQ(db.Open(kChrome + "\\Default\\Network\\Reporting and NEL"), 0);
  ASSERT_EQ(
      db.Exec("INSERT INTO nel_policies VALUES ('', 'https', ?1, 443, '', 'g', 0, 1, 1, 0, 0)",
              kSite.substr(8)),
      0);
  ASSERT_TRUE(WriteAll(kChrome + "\\Default\\SharedStorage", ""));
  ASSERT_EQ(db.Open(kChrome + "\\Default\\SharedStorage"), 0);
  ASSERT_EQ(
      db.Exec(
          "CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"
          "INSERT INTO meta VALUES ('version', '6'), ('last_compatible_version', '4');"
          "CREATE TABLE values_mapping(context_origin TEXT NOT NULL, key BLOB NOT NULL, value BLOB "
          "NOT NULL, last_used_time INTEGER NOT NULL, PRIMARY KEY(context_origin, key)) WITHOUT "
          "ROWID;"
          "CREATE TABLE per_origin_mapping(context_origin TEXT NOT NULL PRIMARY KEY, creation_time "
          "INTEGER NOT NULL, length INTEGER NOT NULL, num_bytes INTEGER NOT NULL) WITHOUT ROWID;"),
      0);
  ASSERT_EQ(db.Exec("INSERT INTO values_mapping VALUES (?1, 'k', 'v', 1)", kSite), 0);
  ASSERT_EQ(db.Open(kRel + "\\webappsstore.sqlite"), 0);
  ASSERT_EQ(db.Exec("INSERT INTO webappsstore2 VALUES ('', ?1, '', 'k', 'v')",
                    std::string(kSite.rbegin(), kSite.rend() - 8) + ".:https:443"),
            0);
  // A namespace of the site naming the map of the extension's own, as a tab
  // cloned from another names its maps: the map is the extension's and stays.
  leveldb::DB* opened = nullptr;
  ASSERT_TRUE(leveldb::DB::Open({}, kChrome + "\\Default\\Session Storage", &opened).ok());
  std::unique_ptr<leveldb::DB> session(opened);
  std::unique_ptr<leveldb::Iterator> entry(session->NewIterator({}));
  std::string map;
  for (entry->Seek("namespace-"); entry->Valid() && entry->key().starts_with("namespace-");
       entry->Next())
    if (entry->key().ToString().find("chrome-extension://") != std::string::npos)
      map = entry->value().ToString();
  entry.reset();
  ASSERT_NE(map, "");
  std::string site =
      "namespace-00000000_0000_0000_0000_000000000000-" + kTokens.at("CHROMIUM_SITE_ORIGIN") + "/";
  ASSERT_TRUE(session->Put({}, site, map).ok());
}

// After Cookies: {database, query, count}. The rows seeded above for the
// formats headless browsers leave empty go, each; of the Firefox site's
// permissions only the user's own stays (the storage access it was granted
// goes, and so does the one its bounce gave the other site).
const std::string kSiteAnywhere = "(origin || type) LIKE '%" + kTokens.at("SITE_HOST") + "%'";
const std::tuple<std::string, std::string, long long> kSiteRows[] = {
    {kChrome + "\\Default\\Network\\Trust Tokens",
     "SELECT count(*) FROM trust_tokens_issuer_config", 0},
    {kChrome + "\\Default\\Network\\Reporting and NEL", "SELECT count(*) FROM nel_policies", 0},
    {kChrome + "\\Default\\SharedStorage", "SELECT count(*) FROM values_mapping", 0},
    {kRel + "\\webappsstore.sqlite", "SELECT count(*) FROM webappsstore2", 0},
    {kRel + "\\permissions.sqlite",
     "SELECT count(*) FROM moz_perms WHERE type = 'desktop-notification' AND " + kSiteAnywhere, 1},
    {kRel + "\\permissions.sqlite",
     "SELECT count(*) FROM moz_perms WHERE type <> 'desktop-notification' AND " + kSiteAnywhere,
     0}};

// What a row's setup damaged, read again by its check.
Files g_damaged;
Files Damaged() {
  Files files;
  for (const std::string& path : {kRel + "\\serviceworker.txt",
                                  kChrome + "\\Default\\Local Storage", kOpera + "\\WebStorage"})
    if (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
      Tree(path, "", &files);
    else
      files[path] = ReadAll(path);
  return files;
}

// The extension's own data, which every box leaves: each folder whose files
// hold one of its tokens (twx-) in the checked-in profiles, placed as Chrome's
// Default and the relative Firefox profile, holds it still. Every store counts:
// its localStorage, sessionStorage map, IndexedDB and Blob, Cache API folder,
// worker (database, script) and storage bucket (folder and quota row).
bool FilesHold(const std::string& folder, const std::string& token) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  bool held = false;
  for (bool more = find != INVALID_HANDLE_VALUE; more && !held; more = FindNextFileA(find, &entry))
    held = !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           Holds(SearchableBytes(folder + "\\" + entry.cFileName), kTokens.at(token));
  FindClose(find);
  return held;
}
void ExtensionDataStays() {
  static const std::set<std::pair<std::string, std::string>> places = [] {
    std::set<std::pair<std::string, std::string>> found;
    for (const auto& [made, placed] : {std::pair(Source(kDefault), kChrome + "\\Default"),
                                       std::pair(Source("firefox/" + kProfile), kRel)}) {
      Files files;
      Tree(made, "", &files);
      for (const auto& [path, bytes] : files) {
        std::string searchable = SearchableBytes(path);
        for (const auto& [key, value] : kTokens)
          if (value.rfind("twx-", 0) == 0 && Holds(searchable, value))
            found.emplace(placed + path.substr(made.size(), path.rfind('\\') - made.size()), key);
      }
    }
    return found;
  }();
  EXPECT_GT(places.size(), 10u);
  for (const auto& [folder, key] : places)
    EXPECT_TRUE(FilesHold(folder, key)) << key << " left " << folder;
}

bool OperaLike(const std::string& data) {
  return data.find("\\Opera Software\\") != std::string::npos;
}

const std::vector<TargetFlag> kAll = {kIeCookies, kTypedUrls, kIeCache, kIeFavorites, kIeHistory};
// The files of what sites stored, which Cookies erases.
const std::vector<std::string> kSiteData = {"Cookies",
                                            "Local Storage",
                                            "Session Storage",
                                            "IndexedDB",
                                            "Service Worker",
                                            "File System",
                                            "WebStorage",
                                            "SharedStorage",
                                            "Trust Tokens",
                                            "Reporting and NEL",
                                            "PersistentOriginTrials",
                                            "\\Preferences",
                                            "cookies.sqlite",
                                            "\\storage",
                                            "serviceworker.txt",
                                            "webappsstore",
                                            "permissions.sqlite",
                                            "bounce-tracking"};
const std::vector<std::string> kSiteTokens =
    Keys({"CHROMIUM_COOKIE", "FIREFOX_COOKIE", "CHROMIUM_SITE_", "FIREFOX_SITE_"}) +
    std::vector<std::string>{"SITE_HOST", "SITE_REVERSED_HOST"};
const std::string kPlaces = "\\places.sqlite";

// clang-format off
const std::vector<std::string> kHistoryFiles = {"\\History", "\\Favicons", "\\Top Sites",
    "\\Shortcuts", "\\Network Action Predictor", "\\Visited Links", "\\ukm_db", "places.sqlite",
    "favicons.sqlite", "\\Preferences", "\\DIPS", "heavy_ad", "protections.sqlite", "thumbnails",
    "shared_proto_db", "permissions.sqlite", "Login Data", "Site Characteristics", "hint_cache",
    "Extension Activity"};
INSTANTIATE_TEST_SUITE_P(Rows, Browsers, ::testing::Values(
    Row{"cookies", {kIeCookies}, kSiteData, kSiteTokens, {}, SeedSiteRecords, [] {
          EXPECT_EQ(ReadAll(kChrome + "\\Default\\Preferences"), PrefsWithout(C));
          EXPECT_EQ(Count(ReadAll(kChrome + "\\Profile 1\\Preferences"), kKept), 4u);
          for (const char* store : {"Local Storage", "Session Storage", "IndexedDB", "Service Worker",
                                    "File System", "WebStorage"})
            EXPECT_FALSE(FolderHolds(kChrome + "\\Default\\" + store, "SITE_HOST")) << store;
          EXPECT_FALSE(FolderHolds(kRel + "\\storage", "SITE_HOST"));
          for (const auto& [path, query, count] : kSiteRows) EXPECT_EQ(Sql(path, query), count) << query;
          ExtensionDataStays();
        }},
    Row{"autocomplete", {kTypedUrls},
        {"\\History", "\\Shortcuts", "\\Network Action Predictor", "places.sqlite"}, {"FIREFOX_INPUT"},
        {}, nullptr, [] {
          EXPECT_EQ(Sql(kHistory, "SELECT sum(typed_count) FROM urls"), 0);
          EXPECT_GT(Sql(kHistory, "SELECT count(*) FROM visits"), 0) << "visits stay";
          for (const std::string& places : {kRel + kPlaces, kAbsProfile + kPlaces}) {
            EXPECT_EQ(Sql(places, "SELECT sum(typed) FROM moz_places"), 0);
            EXPECT_GT(Sql(places, "SELECT count(*) FROM moz_historyvisits"), 0) << "visits stay";
          }
        }},
    Row{"cache", {kIeCache}, {"\\Cache\\", "\\Code Cache\\", "GPUCache", "Dawn", "ShaderCache",
        "GPUPersistentCache", "cache2", "thumbnails"},
        {"CHROMIUM_CACHED_BODY", "CHROMIUM_CACHED_URL", "FIREFOX_CACHED_BODY", "FIREFOX_CACHED_URL"},
        {}, nullptr, [] {
          EXPECT_TRUE(Exists(kChrome + "\\Default\\Cache") && Exists(kOperaCache + "\\Cache") &&
                      Exists(kLocal + "\\Mozilla\\Firefox\\Profiles\\" + kProfile + "\\cache2"));
        }},
    Row{"favorites", {kIeFavorites}, {"Bookmarks", "places.sqlite", "favicons.sqlite",
        "bookmarkbackups"}, {"CHROMIUM_BOOKMARK_TITLE", "FIREFOX_BOOKMARK_TITLE"}, {}, nullptr, [] {
          for (const std::string& places : {kRel + kPlaces, kAbsProfile + kPlaces}) {
            EXPECT_EQ(Sql(places, "SELECT count(*) FROM moz_bookmarks"), 6) << "the roots stay";
            EXPECT_GT(Sql(places, "SELECT count(*) FROM moz_historyvisits"), 0) << "visits stay";
          }
        }},
    Row{"history", {kIeHistory}, kHistoryFiles,
        {"CHROMIUM_TYPED", "CHROMIUM_VISITED", "FIREFOX_TYPED", "FIREFOX_VISITED",
         "FIREFOX_INPUT", "FIREFOX_DOWNLOAD", "CHROMIUM_DOWNLOAD", "CHROMIUM_LOGIN_USER"}, {},
        SeedSiteRecords, [] {
          EXPECT_EQ(ReadAll(kChrome + "\\Default\\Preferences"), PrefsWithout(H));
          EXPECT_EQ(Count(ReadAll(kChrome + "\\Profile 1\\Preferences"), kKept), 4u);
          for (const char* logins : {"\\Default\\Login Data", "\\Profile 1\\Login Data For Account"})
            EXPECT_EQ(Sql(kChrome + logins, "SELECT count(*) FROM stats"), 0) << logins;
          EXPECT_EQ(Sql(kChrome + "\\Profile 1\\Login Data", "SELECT count(*) FROM logins"), 1);
          EXPECT_EQ(Sql(kChrome + "\\Default\\Extension Activity", "SELECT (SELECT count(*) FROM "
                        "activitylog_compressed) + (SELECT count(*) FROM url_ids)"), 0);
          EXPECT_EQ(LevelDbKeys(kSiteCharacteristics), std::set<std::string>{"database_metadata"});
          EXPECT_EQ(LevelDbKeys(kHints), (std::set<std::string>{"1_1", kDelivered}));
          EXPECT_EQ(Sql(kChrome + "\\Default\\DIPS", "SELECT count(*) FROM bounces"), 0);
          EXPECT_GT(Sql(kChrome + "\\Default\\DIPS", "SELECT count(*) FROM meta, config"), 0);
          EXPECT_EQ(Sql(kRel + "\\protections.sqlite", "SELECT count(*) FROM events"), 0);
          WIN32_FIND_DATAA entry;
          EXPECT_EQ(FindFirstFileA((kLocal + "\\Mozilla\\Firefox\\Profiles\\" + kProfile +
                                    "\\thumbnails\\*.png").c_str(), &entry), INVALID_HANDLE_VALUE);
          EXPECT_EQ(Sql(kHistory, "SELECT count(*) FROM urls WHERE visit_count=0 AND url" +
                                      Like("CHROMIUM_BOOKMARKED")), 1) << "the bookmark's row";
          EXPECT_TRUE(Exists(kHistory + "-journal")) << "Chromium's journal stays";
          EXPECT_GT(Sql(kChrome + "\\Default\\Favicons",
                        "SELECT count(*) FROM icon_mapping JOIN favicon_bitmaps USING (icon_id) "
                        "WHERE page_url" + Like("CHROMIUM_BOOKMARKED")), 0) << "and its icon";
          EXPECT_EQ(Sql(kRel + kPlaces, "SELECT count(*) FROM moz_places WHERE visit_count=0 AND "
                                        "last_visit_date IS NULL AND url" +
                                            Like("FIREFOX_BOOKMARKED")), 1);
          EXPECT_EQ(Sql(kRel + "\\favicons.sqlite", "SELECT count(*) FROM moz_pages_w_icons JOIN "
                        "moz_icons_to_pages ON page_id=moz_pages_w_icons.id WHERE page_url" +
                            Like("FIREFOX_BOOKMARKED")), 1);
        }},
    Row{"all", kAll, {"\\Google\\", "\\Opera Software\\", "\\Mozilla\\Firefox\\", kAbs}, Keys(), {},
        nullptr, ExtensionDataStays},
    // What the browsers' own "clear browsing data" would take for all time:
    // nothing left names the site, saved tabs and the user's settings aside.
    Row{"cookies-cache-history", {kIeCookies, kIeCache, kIeHistory}, {"\\Google\\",
        "\\Opera Software\\", "\\Mozilla\\Firefox\\", kAbs}, Keys({"CHROMIUM_COOKIE", "FIREFOX_COOKIE",
        "CHROMIUM_SITE_", "FIREFOX_SITE_", "CHROMIUM_CACHED", "FIREFOX_CACHED",
        "CHROMIUM_TYPED", "CHROMIUM_VISITED", "FIREFOX_TYPED", "FIREFOX_VISITED", "FIREFOX_INPUT",
        "CHROMIUM_DOWNLOAD", "FIREFOX_DOWNLOAD", "CHROMIUM_LOGIN_USER"}) + std::vector<std::string>{"SITE_HOST",
        "SITE_REVERSED_HOST"}, {}, nullptr, ExtensionDataStays},
    Row{"open", kAll, {kAbs}, Keys(), {"Google Chrome", "Opera", "Firefox"},
        [](Browsers& test) {
          test.Hold(kChrome + "\\lockfile", FILE_SHARE_READ);
          test.Hold(kOpera + "\\lockfile", FILE_SHARE_READ);  // Opera's is in its profile
          test.Hold(kRel + "\\parent.lock", 0);
        }},
    // Garbage for Chrome's History, a newer one for Opera's, a missing table
    // and a newer schema for Firefox's places, a Preferences that protects
    // what History edits (Chrome's) and one that is not JSON (Opera's), and in
    // Chrome's Default a newer Login Data, hint cache and site characteristics:
    // each is left as it is, and the sound second profile of Chrome, and every
    // sound shared_proto_db and Login Data, are cleaned all the same.
    Row{"damaged", {kIeHistory}, {"\\Favicons", "\\Top Sites", "\\Shortcuts",
        "\\Network Action Predictor", "\\ukm_db", "\\Profile 1\\", "\\DIPS", "heavy_ad",
        "protections.sqlite", "thumbnails", "shared_proto_db", "permissions.sqlite",
        "Opera Stable\\Login Data"}, {}, {}, [](Browsers&) {
          std::string prefs = ReadAll(kChrome + "\\Default\\Preferences"), macs = "\"macs\":{";
          ASSERT_NE(prefs.find(macs), std::string::npos);
          prefs.insert(prefs.find(macs) + macs.size(), "\"profile\":{\"content_settings\":{"
                       "\"exceptions\":{\"site_engagement\":\"00\"}}},");
          ASSERT_TRUE(WriteAll(kChrome + "\\Default\\Preferences", prefs));
          // A trailing comma: SQLite would read it (as JSON5), JSON does not.
          std::string opera = ReadAll(kOpera + "\\Preferences");
          ASSERT_TRUE(WriteAll(kOpera + "\\Preferences", opera.insert(opera.size() - 1, ",")));
          ASSERT_TRUE(WriteAll(kHistory, std::string(8192, 'x')));
          CSqliteDb db;
          ASSERT_EQ(db.Open(kOpera + "\\History"), 0);
          ASSERT_EQ(db.Exec("UPDATE meta SET value=99 WHERE key='last_compatible_version'"), 0);
          ASSERT_EQ(db.Open(kRel + kPlaces), 0);
          ASSERT_EQ(db.Exec("DROP TABLE moz_keywords"), 0);
          ASSERT_EQ(db.Open(kAbsProfile + kPlaces), 0);
          ASSERT_EQ(db.Exec("PRAGMA user_version=99"), 0);
          // Stores of a layout these steps do not know, each holding what History takes.
          ASSERT_EQ(db.Open(kChrome + "\\Default\\Login Data"), 0);
          ASSERT_EQ(db.Exec("UPDATE meta SET value=99 WHERE key='last_compatible_version'"), 0);
          PutEntries(kHints, {{"1_1", "\n\0012"}, {"3_" + kSite.substr(8), kSite}});
          PutEntries(kSiteCharacteristics, {{"database_metadata", "2"}, {"0123", kSite}});
        }, nullptr, {kAbsProfile + kPlaces, kChrome + "\\Default\\History",
          kChrome + "\\Default\\Login Data", kChrome + "\\Default\\Preferences",
          kChrome + "\\Default\\Site Characteristics Database",
          kChrome + "\\Default\\optimization_guide_hint_cache_store", kRel + kPlaces,
          kOpera + "\\History", kOpera + "\\Preferences"}},
    // Stores that are not what the steps know stay byte for byte: a
    // serviceworker.txt of an unknown version, a Local Storage holding a file
    // LevelDB never makes, and a quota database newer than known (Opera's,
    // whose bucket folders stay with it).
    Row{"damaged-site", {kIeCookies}, kSiteData, {}, {}, [](Browsers&) {
          std::string workers = ReadAll(kRel + "\\serviceworker.txt");
          ASSERT_TRUE(WriteAll(kRel + "\\serviceworker.txt", "99" + workers.substr(workers.find('\n'))));
          ASSERT_TRUE(WriteAll(kChrome + "\\Default\\Local Storage\\leveldb\\notes.txt", "x"));
          CSqliteDb db;
          ASSERT_EQ(db.Open(kOpera + "\\WebStorage\\QuotaManager"), 0);
          ASSERT_EQ(db.Exec("UPDATE meta SET value=99 WHERE key='last_compatible_version'"), 0);
          g_damaged = Damaged();
        }, [] { EXPECT_TRUE(Damaged() == g_damaged); }, {kChrome + "\\Default\\Local Storage\\leveldb",
          kRel + "\\serviceworker.txt", kOpera + "\\WebStorage\\QuotaManager"}},
    // The test User Data placed once more for every other browser of the
    // family, each cleaned whole; Network\Cookies is emptied, never deleted.
    Row{"chromium-family", kAll, {"\\Edge\\", "\\Google\\", "\\BraveSoftware\\", "\\Vivaldi\\",
        "\\Chromium\\", "\\Opera Software\\", "\\Mozilla\\Firefox\\", kAbs}, Keys(), {},
        [](Browsers&) {
          for (const auto& [name, data] : kFamily)
            if (!Exists(data))
              Tree(Source(OperaLike(data) ? kDefault : "chromium/User Data"), data);
        }, [] {
          for (const auto& [name, data] : kFamily) {
            std::string db = data + (OperaLike(data) ? "" : "\\Default") + "\\Network\\Cookies";
            EXPECT_EQ(Sql(db, "SELECT count(*) FROM cookies"), 0) << name << " kept, emptied";
            EXPECT_TRUE(Exists(db + "-journal")) << name;
          }
        }},
    // places.sqlite with committed pages still in its -wal, as Firefox leaves
    // it when it does not close cleanly (there: every frecency recomputed,
    // nothing marked). The log stays, emptied.
    Row{"history-wal", {kIeHistory}, kHistoryFiles, {"CHROMIUM_TYPED", "CHROMIUM_VISITED",
        "FIREFOX_TYPED", "FIREFOX_VISITED", "FIREFOX_INPUT", "FIREFOX_DOWNLOAD"}, {}, [](Browsers&) {
          {
            CSqliteDb db;
            ASSERT_EQ(db.Open(kRel + kPlaces), 0);
            int persist = 1;
            sqlite3_file_control(db.Get(), "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
            sqlite3_db_config(db.Get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
            ASSERT_EQ(db.Exec("UPDATE moz_places SET recalc_frecency=0, recalc_alt_frecency=0"), 0);
          }
          ASSERT_GT(ReadAll(kRel + kPlaces + "-wal").size(), 4096u) << "committed pages";
        }, [] {
          EXPECT_EQ(ReadAll(kRel + kPlaces + "-wal").size(), 0u) << "the -wal stays, emptied";
          EXPECT_EQ(Sql(kRel + kPlaces, "SELECT count(*) FROM moz_historyvisits"), 0);
          EXPECT_EQ(Sql(kRel + kPlaces, "SELECT count(*) FROM moz_places WHERE "
                                        "recalc_frecency=0 OR recalc_alt_frecency=0"), 0)
              << "every kept place is marked for frecency recalculation";
        }}));
// clang-format on

}  // namespace
