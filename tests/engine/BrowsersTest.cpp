// Today's browsers on real profiles (tests/data/browsers, made by Debian's
// chromium and firefox-esr), placed where Windows keeps them: the chromium
// User Data as Google Chrome's (its profile twice), and again as Opera's (caches in the
// %LOCALAPPDATA% twin), and the Firefox profile twice through profiles.ini,
// once relative (cache in the twin) and once absolute, beside a Path that
// climbs out with "..". One row per selection: the lines it logs; every file
// no changed pattern names stays byte for byte; no token of the row is left in
// any file it may change (Sessions and sessionstore aside). Each row leaves its
// cleaned copy in C:\tw-cleaned\<row> for tests/browsers/reopen-check.sh.
#include <map>
#include <sstream>

#include "engine/EraseCount.h"
#include "engine/Log.h"
#include "engine/browsers/SqliteDb.h"
#include "profile/SweepProfile.h"
#include "tests/support/Win32Test.h"

namespace {

using Files = std::map<std::string, std::string>;

std::string Shell(int csidl) {
  char path[MAX_PATH] = {};
  SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE);
  return path;
}
// clang-format off
const std::string kLocal = Shell(CSIDL_LOCAL_APPDATA), kRoaming = Shell(CSIDL_APPDATA),
    kChrome = kLocal + "\\Google\\Chrome\\User Data", kHistory = kChrome + "\\Default\\History",
    kOpera = kRoaming + "\\Opera Software\\Opera Stable", kOperaCache = kLocal + "\\Opera Software\\Opera Stable",
    kFirefox = kRoaming + "\\Mozilla\\Firefox", kAbs = "C:\\tw-ff-abs",
    kEscape = kRoaming + "\\tw-escape";  // where "../../tw-escape" leads
const std::string kRoots[] = {kLocal + "\\Google", kRoaming + "\\Opera Software",
    kLocal + "\\Opera Software", kRoaming + "\\Mozilla", kLocal + "\\Mozilla", kAbs, kEscape};
// clang-format on

std::string Source(std::string path) {  // the source tree, through Wine's Z: drive
  path = "Z:" TW_SOURCE_DIR "/tests/data/browsers/" + path;
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

// Copies `from` to `to`, or, with `files`, reads every file below `from` into it.
void Tree(const std::string& from, const std::string& to, Files* files = nullptr) {
  if (!files) SHCreateDirectoryExA(nullptr, to.c_str(), nullptr);
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((from + "\\*").c_str(), &entry);
  for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &entry)) {
    std::string name = entry.cFileName, source = from + "\\" + name, copy = to + "\\" + name;
    if (name == "." || name == "..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      Tree(source, copy, files);
    else if (files)
      (*files)[source] = ReadAll(source);
    else
      EXPECT_TRUE(CopyFileA(source.c_str(), copy.c_str(), FALSE)) << source;
  }
  FindClose(find);
}

std::map<std::string, std::string> Tokens() {
  std::map<std::string, std::string> tokens;
  std::istringstream text(ReadAll(Source("tokens.txt")));
  for (std::string line; std::getline(text, line);)
    if (line[0] != '#' && line.find('=') != std::string::npos)
      tokens[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
  return tokens;
}
const std::map<std::string, std::string> kTokens = Tokens();
const std::string kProfile = kTokens.at("FIREFOX_PROFILE");
const std::string kRel = kFirefox + "\\Profiles\\" + kProfile, kAbsProfile = kAbs + "\\" + kProfile;
// Not erased yet (site data): keys starting so.
const std::vector<std::string> kAwaitingEngine = {"CHROMIUM_SITE_", "FIREFOX_SITE_"};
// Everything the browsers were given to remember: the values named twc-/twf-.
std::vector<std::string> EveryToken() {
  std::vector<std::string> keys;
  for (const auto& [key, value] : kTokens)
    if ((value.compare(0, 4, "twc-") == 0 || value.compare(0, 4, "twf-") == 0) &&
        std::none_of(kAwaitingEngine.begin(), kAwaitingEngine.end(),
                     [&](const std::string& k) { return key.rfind(k, 0) == 0; }))
      keys.push_back(key);
  return keys;
}

// The first number `sql` answers in the database, or -1.
long long Sql(const std::string& path, const std::string& sql) {
  CSqliteDb db;
  return db.Open(path) == 0 ? db.QueryInt(sql.c_str(), -1) : -1;
}
std::string Like(const char* token) { return " LIKE '%" + kTokens.at(token) + "%'"; }
size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The checked-in Preferences with each entry `"<site>,*":{...}` cut out, and
// the comma before it (after it, for an object's first entry): every other
// byte stays. Its entries hold no braces inside strings.
std::string PrefsWithoutSite() {
  std::string json = ReadAll(Source("chromium/User Data/Default/Preferences"));
  for (size_t at;
       (at = json.find('"' + kTokens.at("CHROMIUM_ORIGIN") + ",*\":{")) != std::string::npos;) {
    size_t end = json.find('{', at);
    for (int depth = 0; (depth += json[end] == '{' ? 1 : json[end] == '}' ? -1 : 0) > 0;) ++end;
    at -= json[at - 1] == ',';                             // the comma before it, or else
    end += 1 + (json[at] != ',' && json[end + 1] == ',');  // the one after it
    json.erase(at, end - at);
  }
  return json;
}
const std::string kSite = "https://" + kTokens.at("CHROMIUM_VISITED") + ".test",
                  kKept = "\"chrome-extension://kept/,*\":{}";

class Browsers;
struct Row {
  const char* name;  // also its folder in C:\tw-cleaned
  std::vector<TargetFlag> flags;
  std::vector<std::string> changes;  // path fragments of the files the row may change
  std::vector<std::string> gone;     // tokens none of those files may hold
  std::vector<std::string> open;     // browsers whose lock a row holds
  void (*setup)(Browsers&) = nullptr;
  void (*check)() = nullptr;
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
    Tree(Source("chromium/User Data"), kChrome);
    Tree(Source("chromium/User Data/Default"), kChrome + "\\Profile 1");  // a second profile
    Tree(Source("chromium/User Data/Default"), kOpera);
    for (const std::string& to : {kRel, kAbsProfile, kEscape})
      Tree(Source("firefox/" + kProfile), to);
    SHCreateDirectoryExA(nullptr, kOperaCache.c_str(), nullptr);
    for (const char* cache : {"Cache", "Code Cache", "GPUCache", "DawnGraphiteCache"})
      MoveFileA((kOpera + "\\" + cache).c_str(), (kOperaCache + "\\" + cache).c_str());
    std::string twin = kLocal + "\\Mozilla\\Firefox\\Profiles\\" + kProfile;
    SHCreateDirectoryExA(nullptr, twin.c_str(), nullptr);
    for (const char* cache : {"\\cache2", "\\thumbnails"})
      MoveFileA((kRel + cache).c_str(), (twin + cache).c_str());
    ASSERT_TRUE(WriteAll(kFirefox + "\\profiles.ini",
                         "[Profile0]\r\nName=a\r\nIsRelative=1\r\nPath=Profiles/" + kProfile +
                             "\r\n\r\n[Profile1]\r\nName=b\r\nIsRelative=0\r\nPath=" + kAbsProfile +
                             "\r\n\r\n[Profile2]\r\nName=c\r\nIsRelative=1\r\nPath=../../tw-escape"
                             "\r\n"));
  }
  void TearDown() override {
    g_pRunView = nullptr;
    for (HANDLE lock : locks_) CloseHandle(lock);
    for (const std::string& root : kRoots) RemoveTree(root);
  }
  void AddLogLine(const std::string& text) override { lines_.push_back(text); }
  HWND GetSafeHwnd() const override { return nullptr; }

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

  profile.Run(kRunAllMask);

  std::vector<std::string> lines = {"Start cleaning..."};
  const char* const what[] = {"Cookies", "autocomplete sites", "Cache", "Favorites", "History"};
  // An open Firefox profile is skipped alone: the open row holds one of two.
  for (std::string name : {"Internet Explorer", "Google Chrome", "Opera", "Firefox"}) {
    bool open = std::find(row.open.begin(), row.open.end(), name) != row.open.end();
    if (open) lines.push_back(name + " is open: close it to erase its traces.");
    for (int box = 0; box < 5 && (!open || name == "Firefox"); ++box)
      if (profile.di[kIeCookies + box])
        lines.push_back("Erasing " + name + " " + what[box] + "...");
  }
  lines.push_back("Cleaning complete.");
  // The summary also counts the Internet Explorer steps' files: it is checked
  // below against what went from the browsers' folders.
  std::vector<std::string> logged;
  for (const std::string& line : lines_)
    if (line.rfind("Erased ", 0) != 0) logged.push_back(line);
  EXPECT_EQ(logged, lines);

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
    // A LevelDB rebuilt from its kept entries numbers its files anew.
    EXPECT_TRUE(before.count(path) ||
                (mayChange(path) && path.find("\\shared_proto_db\\") != std::string::npos))
        << path << " appeared";
    if (!mayChange(path) || path.find("\\Sessions\\") != std::string::npos ||
        path.find("sessionstore") != std::string::npos)
      continue;
    for (const std::string& token : row.gone)
      EXPECT_EQ(bytes.find(kTokens.at(token)), std::string::npos) << token << " in " << path;
  }
  for (HANDLE lock : locks_) CloseHandle(lock);
  locks_.clear();
  // The damaged row's databases are the test's own garbage: nothing to reopen.
  std::string cleaned = std::string("C:\\tw-cleaned\\") + row.name;
  RemoveTree(cleaned);
  if (std::string(row.name) != "damaged") {
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

// Records of kinds the real profiles hold none of, in their own files'
// schemas, naming a site by a token: a DIPS popup, a heavy-ad record, a
// content-blocking count, and in Profile 1's Preferences an entry of each
// per-site record only History takes, beside an extension's, which stays.
void SeedSiteRecords(Browsers&) {
  std::string prefs = kChrome + "\\Profile 1\\Preferences", json = ReadAll(prefs);
  for (std::string name : {"formfill_metadata", "app_banner", "notification_interactions",
                           "cookie_controls_metadata"}) {
    size_t at = json.find('"' + name + "\":{}");
    ASSERT_NE(at, std::string::npos) << name;
    json.insert(at + name.size() + 4, '"' + kSite + ",*\":{\"setting\":1}," + kKept);
  }
  ASSERT_TRUE(WriteAll(prefs, json));
  CSqliteDb db;
  ASSERT_EQ(db.Open(kChrome + "\\Default\\DIPS"), 0);
  ASSERT_EQ(db.Exec("INSERT INTO popups VALUES (?1, ?1, 1, 1, 0, 0)", kSite), 0);
  ASSERT_EQ(db.Open(kChrome + "\\Default\\heavy_ad_intervention_opt_out.db"), 0);
  ASSERT_EQ(db.Exec("INSERT INTO previews_v1 VALUES (?1, 1, 1, 0)", kSite), 0);
  ASSERT_EQ(db.Open(kRel + "\\protections.sqlite"), 0);
  ASSERT_EQ(db.Exec("INSERT INTO events (type, count, timestamp) VALUES (1, 1, date('now'))"), 0);
}

const std::vector<TargetFlag> kAll = {kIeCookies, kTypedUrls, kIeCache, kIeFavorites, kIeHistory};
const std::string kPlaces = "\\places.sqlite";

// clang-format off
const std::vector<std::string> kHistoryFiles = {"\\History", "\\Favicons", "\\Top Sites",
    "\\Shortcuts", "\\Network Action Predictor", "\\Visited Links", "\\ukm_db", "places.sqlite",
    "favicons.sqlite", "\\Preferences", "\\DIPS", "heavy_ad", "protections.sqlite", "thumbnails",
    "\\shared_proto_db\\"};
INSTANTIATE_TEST_SUITE_P(Rows, Browsers, ::testing::Values(
    Row{"cookies", {kIeCookies}, {"Cookies", "cookies.sqlite", "\\Preferences"},
        {"CHROMIUM_COOKIE_NAME", "FIREFOX_COOKIE_NAME", "FIREFOX_COOKIE_VALUE"}, {},
        SeedSiteRecords, [] {
          EXPECT_EQ(ReadAll(kChrome + "\\Default\\Preferences"), PrefsWithoutSite());
          EXPECT_EQ(Count(ReadAll(kChrome + "\\Profile 1\\Preferences"), kSite), 4u)
              << "the records only History takes";
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
    Row{"cache", {kIeCache},
        {"Cache", "GPUCache", "Dawn", "ShaderCache", "GPUPersistentCache", "cache2", "thumbnails"},
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
         "FIREFOX_INPUT", "FIREFOX_DOWNLOAD", "CHROMIUM_DOWNLOAD"}, {}, SeedSiteRecords, [] {
          EXPECT_EQ(ReadAll(kChrome + "\\Default\\Preferences"), PrefsWithoutSite());
          EXPECT_EQ(Count(ReadAll(kChrome + "\\Profile 1\\Preferences"), kKept), 4u);
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
    Row{"all", kAll, {"\\Google\\", "\\Opera Software\\", "\\Mozilla\\Firefox\\", kAbs}, EveryToken()},
    Row{"open", kAll, {kAbs}, EveryToken(), {"Google Chrome", "Opera", "Firefox"},
        [](Browsers& test) {
          test.Hold(kChrome + "\\lockfile", FILE_SHARE_READ);
          test.Hold(kOpera + "\\lockfile", FILE_SHARE_READ);  // Opera's is in its profile
          test.Hold(kRel + "\\parent.lock", 0);
        }},
    // Garbage for Chrome's History, a newer one for Opera's, a missing table
    // and a newer schema for Firefox's places, a Preferences that protects
    // what History edits (Chrome's) and one that is not JSON (Opera's): each is left
    // as it is, and the sound second profile of Chrome, and every sound
    // shared_proto_db, are cleaned all the same.
    Row{"damaged", {kIeHistory}, {"\\Favicons", "\\Top Sites", "\\Shortcuts",
        "\\Network Action Predictor", "\\ukm_db", "\\Profile 1\\", "\\DIPS", "heavy_ad",
        "protections.sqlite", "thumbnails", "\\shared_proto_db\\"}, {}, {}, [](Browsers&) {
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
        }}));
// clang-format on

}  // namespace
