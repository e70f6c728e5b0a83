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
#include <map>
#include <sstream>

#include "engine/EraseCount.h"
#include "engine/Log.h"
#include "engine/browsers/SqliteDb.h"
#include "profile/SweepProfile.h"
#include "tests/support/Win32Test.h"
#include "third_party/sqlite/sqlite3.h"

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
    kLocal + "\\Opera Software", kRoaming + "\\Mozilla", kLocal + "\\Mozilla", kAbs, kEscape,
    kLocal + "\\Microsoft\\Edge", kLocal + "\\BraveSoftware", kLocal + "\\Vivaldi",
    kLocal + "\\Chromium"};
// Each Chromium-family browser and its User Data, in the order the run logs
// them. Opera's is its one profile.
const std::pair<std::string, std::string> kFamily[] = {
    {"Microsoft Edge", kLocal + "\\Microsoft\\Edge\\User Data"}, {"Google Chrome", kChrome},
    {"Brave", kLocal + "\\BraveSoftware\\Brave-Browser\\User Data"},
    {"Vivaldi", kLocal + "\\Vivaldi\\User Data"}, {"Chromium", kLocal + "\\Chromium\\User Data"},
    {"Opera", kOpera}, {"Opera GX", kRoaming + "\\Opera Software\\Opera GX Stable"}};
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
// Everything the browsers were given to remember: the values named twc-/twf-.
std::vector<std::string> EveryToken() {
  std::vector<std::string> keys;
  for (const auto& [key, value] : kTokens)
    if (value.compare(0, 4, "twc-") == 0 || value.compare(0, 4, "twf-") == 0) keys.push_back(key);
  return keys;
}

// The first number `sql` answers in the database, or -1.
long long Sql(const std::string& path, const std::string& sql) {
  CSqliteDb db;
  return db.Open(path) == 0 ? db.QueryInt(sql.c_str(), -1) : -1;
}
std::string Like(const char* token) { return " LIKE '%" + kTokens.at(token) + "%'"; }

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
    EXPECT_TRUE(before.count(path)) << path << " appeared";
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
  }
  if (row.check) row.check();
}

const char kDefault[] = "chromium/User Data/Default";
bool OperaLike(const std::string& data) {
  return data.find("\\Opera Software\\") != std::string::npos;
}

const std::vector<TargetFlag> kAll = {kIeCookies, kTypedUrls, kIeCache, kIeFavorites, kIeHistory};
const std::string kPlaces = "\\places.sqlite";

// clang-format off
const std::vector<std::string> kHistoryFiles = {"\\History", "\\Favicons", "\\Top Sites",
    "\\Shortcuts", "\\Network Action Predictor", "\\Visited Links", "\\ukm_db", "places.sqlite",
    "favicons.sqlite"};
INSTANTIATE_TEST_SUITE_P(Rows, Browsers, ::testing::Values(
    Row{"cookies", {kIeCookies}, {"Cookies", "cookies.sqlite"},
        {"CHROMIUM_COOKIE_NAME", "FIREFOX_COOKIE_NAME", "FIREFOX_COOKIE_VALUE"}},
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
         "FIREFOX_INPUT", "FIREFOX_DOWNLOAD"}, {}, nullptr, [] {
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
    // and a newer schema for Firefox's places: each is left as it is, and the
    // sound History of Chrome's second profile is cleaned all the same.
    Row{"damaged", {kIeHistory}, {"\\Favicons", "\\Top Sites", "\\Shortcuts",
        "\\Network Action Predictor", "\\ukm_db", "\\Profile 1\\"}, {}, {}, [](Browsers&) {
          ASSERT_TRUE(WriteAll(kHistory, std::string(8192, 'x')));
          CSqliteDb db;
          ASSERT_EQ(db.Open(kOpera + "\\History"), 0);
          ASSERT_EQ(db.Exec("UPDATE meta SET value=99 WHERE key='last_compatible_version'"), 0);
          ASSERT_EQ(db.Open(kRel + kPlaces), 0);
          ASSERT_EQ(db.Exec("DROP TABLE moz_keywords"), 0);
          ASSERT_EQ(db.Open(kAbsProfile + kPlaces), 0);
          ASSERT_EQ(db.Exec("PRAGMA user_version=99"), 0);
        }},
    // The test User Data placed once more for every other browser of the
    // family, each cleaned whole; Network\Cookies is emptied, never deleted.
    Row{"chromium-family", kAll, {"\\Edge\\", "\\Google\\", "\\BraveSoftware\\", "\\Vivaldi\\",
        "\\Chromium\\", "\\Opera Software\\", "\\Mozilla\\Firefox\\", kAbs}, EveryToken(), {},
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
