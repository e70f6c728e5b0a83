// The cleaning run on the prefix's real folders, keys and cache: one row per
// selection, with the progress lines it must log (a line ending in "*" stands
// for any line that begins so; %S% is the scratch folder) and what must become
// of each path it seeds: "-" gone, "+" kept, "0" zeroed past its 64-byte
// header, "=" unwritten (both seen through a second name), and "!" held open
// by another program with no sharing during the run, then unwritten and still
// there. The test thread never initialises COM, so the history rows also show
// that the history step goes on without its URL history object.
#include <functional>

#include "engine/Primitives.h"
#include "profile/SweepProfile.h"
#include "tests/support/RunLog.h"
#include "tests/support/Win32Test.h"

namespace {

const char kAolKey[] = "SOFTWARE\\America Online\\America Online\\CurrentVersion";
const std::string kHeader(64, 'h'), kBody(200, 'x');

class Run;

struct Row {
  const char* what;
  std::vector<TargetFlag> flags;
  std::vector<std::string> lines;  // between "Start cleaning..." and "Cleaning complete."
  std::vector<std::string> paths;
  void (*setup)(Run&) = nullptr, (*check)(Run&) = nullptr;
};
void PrintTo(const Row& row, std::ostream* out) { *out << row.what; }

class Run : public ScratchTest, public RunLog, public ::testing::WithParamInterface<Row> {
 public:
  // %S% is the scratch folder; the other roots are looked up when named.
  std::string Expand(const std::string& path) const {
    const std::pair<std::string, int> roots[] = {
        {"%DOCS%", CSIDL_PERSONAL},        {"%APPDATA%", CSIDL_APPDATA},
        {"%RECENT%", CSIDL_RECENT},        {"%FAVORITES%", CSIDL_FAVORITES},
        {"%COOKIES%", CSIDL_COOKIES},      {"%HISTORY%", CSIDL_HISTORY},
        {"%CACHE%", CSIDL_INTERNET_CACHE}, {"%WIN%", CSIDL_WINDOWS}};
    char root[MAX_PATH] = {};
    size_t end = path[0] == '%' ? path.find('%', 1) + 1 : 0;
    std::string name = path.substr(0, end), rest = path.substr(end);
    if (name == "%S%") return dir_ + rest;
    if (name == "%TEMP%") root[GetTempPathA(MAX_PATH, root) - 1] = '\0';
    for (const auto& [alias, csidl] : roots)
      if (name == alias) SHGetSpecialFolderPathA(nullptr, root, csidl, TRUE);
    return root + rest;
  }
  void Undo(std::function<void()> step) { undo_.push_back(step); }
  void Key(HKEY root, const char* key, const char* name, const std::string& text, REGSAM view) {
    ASSERT_TRUE(SetRegString(root, key, name, Expand(text), view)) << key;
    Undo([=] { RegDeleteKeyExA(root, key, view, 0); });
  }
  CSweepProfile profile_;

 protected:
  void TearDown() override {
    for (auto step = undo_.rbegin(); step != undo_.rend(); ++step) (*step)();
    ScratchTest::TearDown();
  }
  std::vector<std::function<void()>> undo_;
};

bool LinesMatch(const std::vector<std::string>& got, const std::vector<std::string>& want) {
  if (got.size() != want.size()) return false;
  for (size_t i = 0; i < got.size(); ++i) {
    size_t star = want[i].size() - (!want[i].empty() && want[i].back() == '*');
    if (got[i].compare(0, star, want[i], 0, star) || (star == want[i].size() && got[i] != want[i]))
      return false;
  }
  return true;
}

TEST_P(Run, LogsItsLinesAndErasesExactlyItsTargets) {
  const Row& row = GetParam();
  if (row.setup) row.setup(*this);
  if (HasFatalFailure() || IsSkipped()) return;
  std::vector<HANDLE> held;
  for (size_t i = 0; i < row.paths.size(); ++i) {
    char kind = row.paths[i][0];
    bool watched = kind == '0' || kind == '=' || kind == '!';
    std::string file = Expand(row.paths[i].substr(1)), second = Path(std::to_string(i));
    ASSERT_TRUE(WriteAll(file, watched ? kHeader + kBody : "trace")) << file;
    Undo([file] { DeleteFileA(file.c_str()); });
    ASSERT_TRUE(!watched || CreateHardLinkA(second.c_str(), file.c_str(), 0));
    if (kind == '!')
      held.push_back(CreateFileA(file.c_str(), GENERIC_READ, 0, 0, OPEN_EXISTING, 0, 0));
  }
  for (TargetFlag flag : row.flags) profile_.di[flag] = 1;

  profile_.Run(kRunAllMask);
  for (HANDLE handle : held) CloseHandle(handle);

  std::vector<std::string> lines = {"Start cleaning..."};
  for (std::string line : row.lines) {
    size_t at = line.find("%S%");
    lines.push_back(at == std::string::npos ? line : line.replace(at, 3, dir_));
  }
  lines.push_back("Cleaning complete.");
  EXPECT_TRUE(LinesMatch(lines_, lines)) << ::testing::PrintToString(lines_);
  for (size_t i = 0; i < row.paths.size(); ++i) {
    char kind = row.paths[i][0];
    std::string file = Expand(row.paths[i].substr(1));
    EXPECT_TRUE(kind == '0' || kind == '=' || Exists(file) == (kind != '-'))
        << file << (kind == '-' ? " survived" : " erased");
    EXPECT_TRUE(kind == '-' || kind == '+' ||
                ReadAll(Path(std::to_string(i))) ==
                    kHeader + (kind == '0' ? std::string(200, 0) : kBody))
        << file << (kind == '0' ? " not overwritten" : " overwritten");
  }
  if (row.check) row.check(*this);
}

// The temporary folder is the scratch folder's "tmp" for the rows that count
// what the run erases there; the Windows directory's own are emptied first.
void OwnTemp(Run& run) {
  char old[MAX_PATH] = {};
  GetEnvironmentVariableA("TMP", old, MAX_PATH);
  SetEnvironmentVariableA("TMP", run.Path("tmp").c_str());
  run.Undo([saved = std::string(old)] { SetEnvironmentVariableA("TMP", saved.c_str()); });
  for (const char* folder : {"%WIN%\\Temp", "%WIN%\\Tmp"})
    EraseFolderContents(run.Expand(folder), 1, 0);
}

void AolFound(Run& run) {
  run.Key(HKEY_LOCAL_MACHINE, kAolKey, "AppPath", "%S%\\aol", KEY_WOW64_32KEY);
}

// A persistent cookie, which Wine keeps as "Cookie:<user>@<host>/", and a page
// without a local file: once a run has emptied the cache folder, Wine 8's
// CreateUrlCacheEntryA fails (ERROR_PATH_NOT_FOUND) for want of its subfolders.
const std::string kPage = "http://tw.test/p", kCookie = "Cookie:%USER%@tw.test/";

bool Cached(std::string url) {
  char user[256];
  DWORD size = sizeof user;
  GetUserNameA(user, &size);
  if (url == kCookie) url.replace(7, 6, user);
  return !GetUrlCacheEntryInfoA(url.c_str(), nullptr, &(size = 0)) &&
         GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

void SeedCache(Run&) {
  FILETIME never = {};
  ASSERT_TRUE(
      InternetSetCookieA("http://tw.test/", "k", "v; expires=Sat, 01-Jan-2050 00:00:00 GMT"));
  ASSERT_TRUE(CommitUrlCacheEntryA(kPage.c_str(), 0, never, never, NORMAL_CACHE_ENTRY, 0, 0, 0, 0));
}

// Names outside the system's ANSI code page, made and looked at with the "W"
// calls (the test program carries tidewisp.exe's manifest: its "A" calls
// speak UTF-8).
std::vector<std::wstring> Wide() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  return {temp + std::wstring(L"日本.tmp"), L"C:\\twtest\\w\\мой.txt",
          L"C:\\twtest\\w\\erase\\Ελλάς.txt"};
}

const char* const kTraceKeys[] = {
    "Software\\Microsoft\\Internet Explorer\\TypedURLs",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs\\.doc",
    "Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList\\Deep",
    "Software\\Microsoft\\MediaPlayer\\Player\\RecentURLList"};

void EveryTrace(Run& run) {
  for (int& flag : run.profile_.di) flag = 1;
  AolFound(run);
  run.Key(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ICQ.exe",
          "Path", "%S%\\icq", KEY_WOW64_32KEY);
  run.Key(HKEY_CURRENT_USER, "SOFTWARE\\Yahoo\\YServer", "HomeDir", "%S%\\yahoo\\bin\\", 0);
  run.Key(HKEY_CURRENT_USER,
          "SOFTWARE\\America Online\\AOL Instant Messenger (TM)\\CurrentVersion\\AppPath", "",
          "%S%\\aim\\aim.exe", 0);
  for (const char* key : kTraceKeys) ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, key, "v", "t"));
  SHCreateDirectoryExW(nullptr, L"C:\\twtest\\w\\erase", nullptr);
  for (const auto& path : Wide())
    CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0));
  run.profile_.fileList = {run.Expand("%S%\\f1.txt"),
                           "C:\\twtest\\w\\\xD0\xBC\xD0\xBE\xD0\xB9.txt"};
  run.profile_.folderList = {run.Expand("%S%\\d"), "C:\\twtest\\w\\erase"};
  ASSERT_TRUE(OpenClipboard(nullptr) && EmptyClipboard());
  SetClipboardData(CF_TEXT, GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8)), CloseClipboard();
  run.Undo([] { RemoveTree("C:\\twtest\\w"); });
}

bool HasValue(const std::string& key, const char* name) {
  return RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_ANY, 0, 0, 0) == ERROR_SUCCESS;
}

void NoTraceLeft(Run&) {
  for (const auto& path : Wide()) EXPECT_EQ(GetFileAttributesW(path.c_str()), ~0u) << "survived";
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
  for (const char* key : kTraceKeys) EXPECT_FALSE(HasValue(key, "v")) << key;
}

// Media Player's two recent lists, and its settings beside them, which stay.
const char kPlayerSettings[] = "Software\\Microsoft\\MediaPlayer\\Player\\Settings";
void SeedPlayerLists(Run& run) {
  for (const char* key : {kTraceKeys[2], kTraceKeys[3]})
    ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, key, "v", "t"));
  run.Key(HKEY_CURRENT_USER, kPlayerSettings, "v", "t", 0);
}
void PlayerListsGone(Run&) {
  for (const char* key : {kTraceKeys[2], kTraceKeys[3]}) EXPECT_FALSE(HasValue(key, "v")) << key;
  EXPECT_TRUE(HasValue(kPlayerSettings, "v"));
}

// The lists the Recent Files box deletes whole (each planted with a sub-key),
// and keys beside them that hold settings: those keep a value of the test's.
// clang-format off
const std::string kCv = "Software\\Microsoft\\Windows\\CurrentVersion\\",
    kExplorer = kCv + "Explorer\\", kComDlg = kExplorer + "ComDlg32\\";
const std::string kRecentLists[] = {kExplorer + "RunMRU", kExplorer + "TypedPaths",
    kExplorer + "WordWheelQuery", kComDlg + "OpenSavePidlMRU", kComDlg + "LastVisitedPidlMRU",
    kComDlg + "LastVisitedPidlMRULegacy", kComDlg + "CIDSizeMRU", kComDlg + "FirstFolder",
    kComDlg + "OpenSaveMRU", kComDlg + "LastVisitedMRU", kCv + "Applets\\Paint\\Recent File List",
    kCv + "Applets\\Wordpad\\Recent File List", "Software\\Microsoft\\Search Assistant\\ACMru"};
const std::string kBesideLists[] = {kExplorer + "Advanced", kExplorer + "ComDlg32",
    kCv + "Applets\\Paint\\View", kCv + "Applets\\Wordpad\\Options",
    kCv + "Applets\\Regedit\\Favorites", "Software\\Microsoft\\Search Assistant"};
// clang-format on

void PlantRecentLists(Run& run) {
  for (const std::string& key : kRecentLists) {
    ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, key + "\\Deep", "v", "t")) << key;
    run.Undo([key] { SHDeleteKeyA(HKEY_CURRENT_USER, key.c_str()); });
  }
  for (const std::string& key : kBesideLists) {
    ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, key, "tw", "t")) << key;
    run.Undo([key] {
      SHDeleteValueA(HKEY_CURRENT_USER, key.c_str(), "tw");
      SHDeleteEmptyKeyA(HKEY_CURRENT_USER, key.c_str());
    });
  }
}

void RecentListsGoWithTheBox(Run& run) {
  for (const std::string& key : kRecentLists)
    EXPECT_NE(HasValue(key + "\\Deep", "v"), run.profile_.di[kRecentFiles] != 0) << key;
  for (const std::string& key : kBesideLists) EXPECT_TRUE(HasValue(key, "tw")) << key;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, Run, ::testing::Values(
    Row{"nothing, or flags no step reads: the recent lists stay", {kIndexDat, kRecycleBin,
        kNetscapeHiddenMail}, {}, {"=%HISTORY%\\index.dat", "+%TEMP%\\tw.tmp", "+%RECENT%\\d.lnk"},
        PlantRecentLists, RecentListsGoWithTheBox},
    Row{"every flag: every trace, and only traces, in order", {},
        {"Erasing Netscape Navigator Cache...", "Erasing Netscape Navigator History...",
         "Erasing Netscape Navigator Cookies...",
         "Erasing Netscape Navigator sent and deleted e-mails...",
         "Erasing Internet Explorer Cookies...", "Erasing Internet Explorer autocomplete sites...",
         "Erasing AOL's GO TO History ...", "Erasing AOL's Cache ...",
         "Erasing Internet Explorer Cache...", "Erasing Internet Explorer Favorites...",
         "Erasing Internet Explorer History...", "Erasing Windows Temporary Folder...",
         "Erasing Windows Recent Files...", "Erasing My Documents Folder...",
         "Erasing Windows Registry Backups", "Erasing the Clipboard...",
         "Erasing Media Player History...", "Erasing Media Player Playlists...",
         "Erasing Media Player Keys...", "Erasing Yahoo! Messenger logs ...",
         "Erasing ICQ logs ...", "Erasing AIM logs ...", "Erasing MSN Received files ...",
         "Wiping Selected Files...", "Wiping Selected Files...", "Erasing Selected Folders...",
         "Erasing Selected Folders...", "Erased *"},
        {"-%TEMP%\\tw.tmp", "-%TEMP%\\desktop.ini", "-%WIN%\\Temp\\a.tmp", "-%WIN%\\Tmp\\b",
         "-%RECENT%\\d.lnk", "-%DOCS%\\letter.doc", "+%DOCS%\\desktop.ini",
         "-%DOCS%\\My Received Files\\p.jpg", "-%WIN%\\sysbckup\\rbbad.cab",
         "-%WIN%\\sysbckup\\rb000.cab", "-%WIN%\\sysbckup\\rb001.cab", "+%WIN%\\sysbckup\\rb003.cab",
         "-%FAVORITES%\\s.url", "-%COOKIES%\\me@site.txt", "-%CACHE%\\p.htm", "=%CACHE%\\index.dat",
         "-%HISTORY%\\h.url", "0%HISTORY%\\Sub\\Index.DAT", "0%WIN%\\History\\index.dat",
         "0%WIN%\\Temporary Internet Files\\index.dat",
         "-%APPDATA%\\Mozilla\\Firefox\\Profiles\\p\\cookies.txt",
         "-%APPDATA%\\Mozilla\\Profiles\\p\\Cache\\0A1B",
         "-%APPDATA%\\Mozilla\\Profiles\\p\\Mail\\Trash",
         "-C:\\Program Files\\Netscape\\Users\\me\\history.dat",
         "-%APPDATA%\\Microsoft\\Media Player\\ActivePlaylist.dat",
         "-C:\\Documents and Settings\\All Users\\Application Data\\Microsoft\\Media Index\\m",
         "-%S%\\aol\\download\\get.log", "-%S%\\aol\\organize\\goto.AUT",
         "+%S%\\aol\\organize\\goto.arl.bak", "+%S%\\aol\\organize\\sub\\o.aut",
         "+%S%\\aol\\organize\\gotoaut", "+%S%\\aim\\buddytmp", "+%S%\\aim\\buddy.tmpl",
         "-%S%\\aol\\organize\\CACHE\\a", "-%S%\\yahoo\\ypager.log", "-%S%\\yahoo\\IMVCache\\a",
         "+%S%\\yahoo\\other.txt", "-%S%\\icq\\Received Files\\s.zip", "-%S%\\icq\\2002b\\h",
         "+%S%\\icq\\icq.exe", "-%S%\\aim\\buddy.tmp", "-%S%\\aim\\log.dat", "+%S%\\aim\\aim.exe",
         "+%S%\\aim\\sub\\deep.tmp", "-%S%\\f1.txt", "-%S%\\d\\x.txt"},
        EveryTrace, NoTraceLeft},
    Row{"history deletes its own index.dat unwritten", {kIeHistory},
        {"Erasing Internet Explorer History...", "Erased *"},
        {"-%HISTORY%\\h.url", "0%WIN%\\History\\index.dat", "=%HISTORY%\\index.dat"}},
    Row{"AOL's GO TO folder reached as a link is not listed", {kAolGoTo},
        {"Erasing AOL's GO TO History ..."}, {},
        [](Run& run) {
          AolFound(run);
          if (run.MakeLinkOut("aol\\organize", {{"go.AUT", "outside"}}).empty())
            GTEST_SKIP() << "no folder link can be made here";
        },
        [](Run& run) { EXPECT_EQ(ReadAll(run.outside_ + "\\go.AUT"), "outside"); }},
    Row{"AOL's cache alone: the Internet Explorer cache too, without its line", {kAolCache},
        {"Erasing AOL's Cache ...", "Erased *"},
        {"-%S%\\aol\\organize\\CACHE\\a", "-%CACHE%\\p.htm"}, AolFound},
    Row{"Media Player playlists alone: both recent lists emptied", {kMediaPlayerPlaylists},
        {"Erasing Media Player Playlists...", "Erasing Media Player Keys...", "Erased *"},
        {"-%APPDATA%\\Microsoft\\Media Player\\ActivePlaylist.dat"},
        SeedPlayerLists, PlayerListsGone},
    // The summary, files and bytes exact; a held file on the lists named and kept, a folder
    // holding one named with its count, which a kept desktop.ini is not part of.
    Row{"the summary; held files on the lists", {},
        {"Wiping Selected Files...", "Wiping Selected Files...", "Erasing Selected Folders...",
         "Erased 3 files (5.95 KB).", "2 files were left: in use or protected.",
         "Not wiped (in use or protected): %S%\\keep.doc",
         "Not fully erased (1 file in use or protected): %S%\\d"},
        {"+%S%\\d\\desktop.ini", "!%S%\\keep.doc", "!%S%\\d\\sub\\held"},
        [](Run& run) {
          run.profile_.fileList = {run.Path("f"), run.Path("keep.doc")};
          run.profile_.folderList = {run.Path("d")};
          run.MakeFile("f", std::string(3093, 'f'));
          run.MakeFile("d\\a", std::string(1000, 'a'));
          run.MakeFile("d\\sub\\b", std::string(2000, 'b'));
        }},
    Row{"a file held in the temporary folder, nothing else there: left and counted", {kTempFolders},
        {"Erasing Windows Temporary Folder...", "Erased 0 files (0 bytes).",
         "1 file was left: in use or protected."},
        {"!%TEMP%\\held.tmp"}, OwnTemp},
    Row{"browser cookies: the cookie entries, not the pages", {kIeCookies},
        {"Erasing Internet Explorer Cookies...", "Erased *"}, {}, SeedCache,
        [](Run&) { EXPECT_EQ(Cached(kCookie) * 2 + Cached(kPage), 1); }},
    Row{"browser cache: the pages, not the cookie entries", {kIeCache},
        {"Erasing Internet Explorer Cache...", "Erased *"}, {}, SeedCache,
        [](Run&) { EXPECT_EQ(Cached(kCookie) * 2 + Cached(kPage), 2); }},
    Row{"Recent Files: its key lists go whole; an unreadable jump list named, a held one counted",
        {kRecentFiles}, {"Erasing Windows Recent Files...", "Erased 2 files (10 bytes).",
         "1 file was left: in use or protected.",
         "Not erased (a jump list Tidewisp cannot read): *"},
        {"-%RECENT%\\CustomDestinations\\c.customDestinations-ms", "-%RECENT%\\sub\\d.lnk",
         "+%RECENT%\\AutomaticDestinations\\a.automaticDestinations-ms",
         "!%RECENT%\\AutomaticDestinations\\h.automaticDestinations-ms"},
        PlantRecentLists, RecentListsGoWithTheBox},
    Row{"Media Player history alone: both lists go; the playlist and the settings stay",
        {kMediaPlayerHistory}, {"Erasing Media Player History..."},
        {"+%APPDATA%\\Microsoft\\Media Player\\ActivePlaylist.dat"}, SeedPlayerLists, PlayerListsGone}));
// clang-format on

}  // namespace
