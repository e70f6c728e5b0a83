// The cleaning run in this process, on the prefix's real folders: one row per
// selection, with the progress lines it must log and what must be gone, kept,
// overwritten (zeros past a 64-byte header) or left unwritten. The test thread
// never initialises COM, so the history rows also show that the history step
// goes on without its URL history object.
#include <functional>

#include "engine/Log.h"
#include "profile/SweepProfile.h"
#include "tests/engine/Scratch.h"

namespace {

const char kAolKey[] = "SOFTWARE\\America Online\\America Online\\CurrentVersion";
const std::string kHeader(64, 'h'), kBody(200, 'x');

class Run;

struct Row {
  const char* what;
  std::vector<TargetFlag> flags;
  std::vector<std::string> lines;  // between "Start cleaning..." and "Cleaning complete."
  std::vector<std::string> gone, kept, overwritten, untouched;
  void (*setup)(Run&) = nullptr;
  void (*check)(Run&) = nullptr;  // what the lists above cannot say
};
void PrintTo(const Row& row, std::ostream* out) { *out << row.what; }

std::string Special(int csidl) {
  char path[MAX_PATH] = {};
  SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE);
  return path;
}

class Run : public ScratchTest, public CRunView, public ::testing::WithParamInterface<Row> {
 public:
  // %TEMP% %WIN% %HISTORY% %CACHE% %S% (the scratch folder), looked up when named.
  std::string Expand(const std::string& path) const {
    char root[MAX_PATH] = {};
    size_t end = path[0] == '%' ? path.find('%', 1) + 1 : 0;
    std::string name = path.substr(0, end);
    if (name == "%TEMP%") root[GetTempPathA(MAX_PATH, root) - 1] = '\0';
    if (name == "%WIN%") GetWindowsDirectoryA(root, MAX_PATH);
    if (name == "%S%") return dir_ + path.substr(end);
    if (name == "%HISTORY%" || name == "%CACHE%")
      return Special(name == "%CACHE%" ? CSIDL_INTERNET_CACHE : CSIDL_HISTORY) + path.substr(end);
    return root + path.substr(end);
  }
  void Seed(const std::string& path, const std::string& contents = "trace") {
    ASSERT_TRUE(WriteAll(Expand(path), contents)) << Expand(path);
    undo_.push_back([file = Expand(path)] {
      SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(file.c_str());
    });
  }
  void Undo(std::function<void()> step) { undo_.push_back(step); }
  CSweepProfile profile_;

 protected:
  void SetUp() override { ScratchTest::SetUp(), g_pRunView = this; }
  void TearDown() override {
    g_pRunView = nullptr;
    for (auto step = undo_.rbegin(); step != undo_.rend(); ++step) (*step)();
    ScratchTest::TearDown();
  }
  void AddLogLine(const std::string& text) override { lines_.push_back(text); }
  HWND GetSafeHwnd() const override { return nullptr; }

  std::vector<std::string> lines_;
  std::vector<std::function<void()>> undo_;
};

TEST_P(Run, LogsItsLinesAndErasesExactlyItsTargets) {
  const Row& row = GetParam();
  if (row.setup) row.setup(*this);
  if (HasFatalFailure() || IsSkipped()) return;
  for (const auto& path : row.gone) Seed(path);
  for (const auto& path : row.kept) Seed(path);
  // A second name in the scratch folder shows what became of the contents.
  std::vector<std::string> watched = row.overwritten;
  watched.insert(watched.end(), row.untouched.begin(), row.untouched.end());
  for (size_t i = 0; i < watched.size(); ++i) {
    Seed(watched[i], kHeader + kBody);
    ASSERT_TRUE(CreateHardLinkA(Path(std::to_string(i)).c_str(), Expand(watched[i]).c_str(), 0));
  }
  for (TargetFlag flag : row.flags) profile_.di[flag] = 1;

  profile_.Run(kRunAllMask);

  std::vector<std::string> lines = {"Start cleaning..."};
  lines.insert(lines.end(), row.lines.begin(), row.lines.end());
  lines.push_back("Cleaning complete.");
  EXPECT_EQ(lines_, lines);
  for (const auto& path : row.gone) EXPECT_FALSE(Exists(Expand(path))) << path << " survived";
  for (const auto& path : row.kept) EXPECT_TRUE(Exists(Expand(path))) << path << " was erased";
  for (size_t i = 0; i < watched.size(); ++i) {
    bool zeroed = i < row.overwritten.size();
    EXPECT_TRUE(ReadAll(Path(std::to_string(i))) == kHeader + (zeroed ? std::string(200, 0) : kBody))
        << watched[i] << (zeroed ? " not overwritten" : " overwritten");
  }
  EXPECT_GT(profile_.lastErase, 1700000000) << "the run stamps its end";
  if (row.check) row.check(*this);
}

std::vector<TargetFlag> Every() {
  std::vector<TargetFlag> flags;
  for (int flag = 0; flag < kFlagCount; ++flag) flags.push_back(static_cast<TargetFlag>(flag));
  return flags;
}

void AolFound(Run& run) {
  ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, kAolKey, "AppPath", run.Path("aol"),
                           KEY_WOW64_32KEY));
  run.Undo([] { RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kAolKey, KEY_WOW64_32KEY, 0); });
}

void Lists(Run& run) {
  AolFound(run);
  run.profile_.fileList = {run.Path("f1.txt"), run.Path("f2.txt")};
  run.profile_.folderList = {run.Path("d")};
}

// A persistent cookie, which Wine keeps as "Cookie:<user>@<host>/", and a page.
const std::string kPage = "http://tw.test/p", kCookie = "@tw.test/";

bool Cached(const std::string& url) {
  DWORD size = 0;
  std::string name = url;
  if (url == kCookie) {
    char user[256];
    DWORD length = sizeof user;
    GetUserNameA(user, &length);
    name = "Cookie:" + std::string(user) + url;
  }
  return !GetUrlCacheEntryInfoA(name.c_str(), nullptr, &size) &&
         GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

// The page has no local file: once a run has emptied the cache folder, Wine 8's
// CreateUrlCacheEntryA fails (ERROR_PATH_NOT_FOUND) for want of its subfolders.
void SeedCache(Run&) {
  FILETIME never = {};
  ASSERT_TRUE(InternetSetCookieA("http://tw.test/", "k", "v; expires=Sat, 01-Jan-2050 00:00:00 GMT"));
  ASSERT_TRUE(CommitUrlCacheEntryA(kPage.c_str(), 0, never, never, NORMAL_CACHE_ENTRY, 0, 0, 0, 0));
  ASSERT_EQ(Cached(kCookie) + Cached(kPage), 2);
}

void Environment(Run& run, const char* name, const std::string& value) {
  char old[MAX_PATH] = {};
  GetEnvironmentVariableA(name, old, MAX_PATH);
  SetEnvironmentVariableA(name, value.c_str());
  run.Undo([name, old = std::string(old)] { SetEnvironmentVariableA(name, old.c_str()); });
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Run,
    ::testing::Values(
        Row{"nothing, or flags no step reads", {kIndexDat, kRecycleBin, kNetscapeHiddenMail},
            {}, {}, {"%HISTORY%\\index.dat", "%TEMP%\\tw.tmp"}},
        Row{"every flag, in order", Every(),
            {"Erasing Netscape Navigator Cache...", "Erasing Netscape Navigator History...",
             "Erasing Netscape Navigator Cookies...",
             "Erasing Netscape Navigator sent and deleted e-mails...",
             "Erasing Internet Explorer Cookies...",
             "Erasing Internet Explorer autocomplete sites...", "Erasing AOL's GO TO History ...",
             "Erasing AOL's Cache ...", "Erasing Internet Explorer Cache...",
             "Erasing Internet Explorer Favorites...", "Erasing Internet Explorer History...",
             "Erasing Windows Temporary Folder...", "Erasing Windows Recent Files...",
             "Erasing My Documents Folder...", "Erasing Windows Registry Backups",
             "Erasing the Clipboard...", "Erasing Media Player History...",
             "Erasing Media Player Playlists...", "Erasing Media Player Keys...",
             "Erasing Yahoo! Messenger logs ...", "Erasing ICQ logs ...", "Erasing AIM logs ...",
             "Erasing MSN Received files ...", "Wiping Selected Files...",
             "Wiping Selected Files...", "Erasing Selected Folders..."},
            {"%S%\\f1.txt", "%S%\\d\\x.txt"}, {}, {}, {}, Lists},
        Row{"AOL's cache also empties the browser's, silently", {kAolCache},
            {"Erasing AOL's Cache ..."}, {"%CACHE%\\tw.htm", "%S%\\aol\\organize\\CACHE\\a"},
            {"%S%\\aol\\organize\\x.aut"}, {}, {}, AolFound},
        Row{"AOL flags without the AOL folder", {kAolGoTo, kAolCache, kAim},
            {"Erasing AIM logs ..."}, {"%CACHE%\\tw.htm"}},
        Row{"temporary folders keep not even desktop.ini", {kTempFolders},
            {"Erasing Windows Temporary Folder..."},
            {"%TEMP%\\desktop.ini", "%TEMP%\\sub\\a.tmp", "%WIN%\\Temp\\Desktop.INI",
             "%WIN%\\Tmp\\b.tmp"}},
        // 259 characters, 260 with the backslash the call adds: no room for
        // the NUL. Windows answers the size needed, Wine 8 answers 0.
        Row{"a temporary path too long skips the whole step", {kTempFolders},
            {"Erasing Windows Temporary Folder..."}, {}, {"%WIN%\\Temp\\c.tmp"}, {}, {},
            [](Run& run) {
              Environment(run, "TMP", "C:\\" + std::string(256, 't'));
              Environment(run, "TEMP", "C:\\" + std::string(256, 't'));
            }},
        Row{"registry backups stop at the first cabinet that stays", {kRegistryBackups},
            {"Erasing Windows Registry Backups"},
            {"%WIN%\\sysbckup\\rbbad.cab", "%WIN%\\sysbckup\\rb000.cab"},
            {"%WIN%\\sysbckup\\rb002.cab"}, {}, {},
            [](Run& run) {
              run.Seed("%WIN%\\sysbckup\\rb001.cab");
              HANDLE held = CreateFileA(run.Expand("%WIN%\\sysbckup\\rb001.cab").c_str(),
                                        GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
              run.Undo([held] { CloseHandle(held); });
            }},
        Row{"history deletes its index.dat unwritten", {kIeHistory},
            {"Erasing Internet Explorer History..."}, {"%HISTORY%\\h.url"}, {},
            {"%WIN%\\History\\index.dat"}, {"%HISTORY%\\index.dat"}},
        Row{"history with the index.dat flag overwrites it", {kIeHistory, kIndexDat},
            {"Erasing Internet Explorer History..."}, {}, {},
            {"%HISTORY%\\index.dat", "%HISTORY%\\sub\\INDEX.DAT"}},
        Row{"the browser cache overwrites only the Windows copy's index.dat", {kIeCache},
            {"Erasing Internet Explorer Cache..."}, {"%CACHE%\\page.htm"}, {},
            {"%WIN%\\Temporary Internet Files\\index.dat"}, {"%CACHE%\\index.dat"}},
        Row{"no application data folder, no Netscape step", {kNetscapeCookies}, {}, {},
            {"C:\\Program Files\\Netscape\\Users\\tw\\cookies.txt"}, {}, {},
            [](Run& run) {
              std::string appData = Special(CSIDL_APPDATA);
              ASSERT_TRUE(MoveFileA(appData.c_str(), (appData + ".away").c_str()));
              run.Undo([appData] { MoveFileA((appData + ".away").c_str(), appData.c_str()); });
            }},
        Row{"AOL's GO TO folder reached as a link is not listed", {kAolGoTo},
            {"Erasing AOL's GO TO History ..."}, {}, {}, {}, {},
            [](Run& run) {
              AolFound(run);
              if (run.MakeLinkOut("aol\\organize", {{"go.AUT", "outside"}}).empty())
                GTEST_SKIP() << "no folder link can be made here";
            },
            [](Run& run) { EXPECT_EQ(ReadAll(run.outside_ + "\\go.AUT"), "outside"); }},
        Row{"browser cookies: the cookie entries, not the pages", {kIeCookies},
            {"Erasing Internet Explorer Cookies..."}, {}, {}, {}, {}, SeedCache,
            [](Run&) { EXPECT_EQ(Cached(kCookie) * 2 + Cached(kPage), 1); }},
        Row{"browser cache: the pages, not the cookie entries", {kIeCache},
            {"Erasing Internet Explorer Cache..."}, {}, {}, {}, {}, SeedCache,
            [](Run&) { EXPECT_EQ(Cached(kCookie) * 2 + Cached(kPage), 2); }},
        Row{"the clipboard", {kClipboard}, {"Erasing the Clipboard..."}, {}, {}, {}, {},
            [](Run&) {
              ASSERT_TRUE(OpenClipboard(nullptr) && EmptyClipboard());
              SetClipboardData(CF_TEXT, GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8));
              CloseClipboard();
            },
            [](Run&) { EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT)); }}));

}  // namespace
