// Every target of the cleaning run: one scenario per step and flag, with the
// machine before and what must be gone, kept, or overwritten afterwards.
#include <cctype>
#include <functional>

#include "profile/SweepProfile.h"
#include "tests/host/SimTest.h"

namespace {

using Paths = Names;

const std::string kTemp = "C:\\users\\user\\Temp";
const std::string kWin = "C:\\windows";
const std::string kDocs = "C:\\users\\user\\Documents";
const std::string kAppData = "C:\\users\\user\\AppData\\Roaming";
const std::string kRecent = kAppData + "\\Microsoft\\Windows\\Recent";
const std::string kLocal = "C:\\users\\user\\AppData\\Local\\Microsoft\\Windows";
const std::string kCache = kLocal + "\\INetCache";
const std::string kCookies = kLocal + "\\INetCookies";
const std::string kHistory = kLocal + "\\History";
const std::string kFavorites = "C:\\users\\user\\Favorites";
const std::string kMediaIndex =
    "C:\\Documents and Settings\\All Users\\Application Data\\Microsoft\\Media Index";
const std::string kPlayer = "Software\\Microsoft\\MediaPlayer\\Player";
const char kAolKey[] = "SOFTWARE\\America Online\\America Online\\CurrentVersion";
const char kYahooKey[] = "SOFTWARE\\Yahoo\\YServer";
const char kIcqKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ICQ.exe";
const char kAimKey[] =
    "SOFTWARE\\America Online\\AOL Instant Messenger (TM)\\CurrentVersion\\AppPath";

// Each scenario seeds every listed path that nothing else listed lies below
// and that the machine does not have yet, as a file; the folders above come
// with it. Its set-up then does what files cannot say.
struct Scenario {
  const char* name;
  std::vector<int> flags;
  std::function<void()> setup;
  Paths gone;
  Paths kept;
  Paths overwritten;     // zero-filled before their deletion
  Paths notOverwritten;  // deleted without being written to
};

void PrintTo(const Scenario& s, std::ostream* out) { *out << s.name; }

class TargetStepsTest : public SimTest, public ::testing::WithParamInterface<Scenario> {};

bool SameName(std::string a, std::string b) {
  for (char* c : {&a[0], &b[0]})
    for (; *c; ++c) *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
  return a == b;
}

bool Written(const std::string& path) {
  for (const auto& call : sim::CallsOf("WriteFile"))
    if (SameName(call.subject, path)) return true;
  return false;
}

void Seed(const Scenario& s) {
  Paths all;
  for (const Paths* paths : {&s.gone, &s.kept, &s.overwritten, &s.notOverwritten})
    all.insert(all.end(), paths->begin(), paths->end());
  for (const std::string& path : all) {
    bool folder = false;
    for (const std::string& other : all) folder |= other.rfind(path + "\\", 0) == 0;
    if (folder || sim::Exists(path)) continue;
    if (!sim::Exists(path.substr(0, 3))) sim::AddDrive(path[0]);
    // Long enough that an index.dat has bytes past its 64-byte header to zero.
    sim::MakeFile(path, "data:" + path + std::string(100, '#'));
  }
  if (s.setup) s.setup();
}

TEST_P(TargetStepsTest, ErasesExactlyItsTargets) {
  const Scenario& s = GetParam();
  Seed(s);
  sim::ClearCalls();
  CSweepProfile profile;
  for (int flag : s.flags) profile.di[flag] = 1;
  profile.Run(kRunAllMask);
  for (const auto& path : s.gone) EXPECT_FALSE(sim::Exists(path)) << path << " survived";
  for (const auto& path : s.kept) EXPECT_TRUE(sim::Exists(path)) << path << " was erased";
  for (const auto& path : s.overwritten) EXPECT_TRUE(Written(path)) << path << " not zeroed";
  for (const auto& path : s.notOverwritten) EXPECT_FALSE(Written(path)) << path << " written";
}

const std::string kTooLong = "C:\\" + std::string(257, 'w');  // 260 characters
const std::string kBackups = kWin + "\\sysbckup\\rb";
const std::string kTif = kWin + "\\Temporary Internet Files";
const std::string kMozilla = kAppData + "\\Mozilla\\p";
const std::string kNetscape = "C:\\Program Files\\Netscape\\Users\\me";
const char kYahooBin[] = "C:\\Yahoo\\bin\\";  // less its last five characters: C:\Yahoo

INSTANTIATE_TEST_SUITE_P(
    Steps, TargetStepsTest,
    ::testing::Values(
        Scenario{"temp_folders", {kTempFolders}, nullptr,
                 {kTemp + "\\a.txt", kTemp + "\\desktop.ini", kTemp + "\\sub",
                  kTemp + "\\sub\\b.txt", kWin + "\\Temp\\c.txt", kWin + "\\Temp\\Desktop.INI",
                  kWin + "\\Tmp\\d.txt"},
                 {kTemp, kWin + "\\Temp", kWin + "\\Tmp"}},
        Scenario{"temp_path_unavailable_skips_windows_part_too", {kTempFolders},
                 [] { sim::SetTempPath(""); },
                 {},
                 {kWin + "\\Temp\\c.txt"}},
        Scenario{"temp_path_too_long", {kTempFolders}, [] { sim::SetTempPath(kTooLong + "\\"); },
                 {},
                 {kWin + "\\Temp\\c.txt"}},
        Scenario{"windows_directory_too_long", {kTempFolders},
                 [] { sim::SetWindowsDirectory(kTooLong); },
                 {kTemp + "\\a.txt"}},
        Scenario{"recent_files", {kRecentFiles},
                 [] {
                   sim::SetString(HKEY_CURRENT_USER,
                                  "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                                  "RecentDocs\\.txt",
                                  "0", "x");
                 },
                 {kRecent + "\\doc.lnk"},
                 {kRecent + "\\desktop.ini", kRecent}},
        Scenario{"my_documents", {kMyDocuments}, nullptr,
                 {kDocs + "\\a.doc", kDocs + "\\s", kDocs + "\\s\\b.doc"},
                 {kDocs + "\\desktop.ini", kDocs}},
        Scenario{"registry_backups_unbroken_run", {kRegistryBackups}, nullptr,
                 {kBackups + "bad.cab", kBackups + "000.cab", kBackups + "001.cab",
                  kBackups + "002.cab", kBackups + "003.cab"},
                 {kBackups + "005.cab"}},
        Scenario{"registry_backups_without_rb000", {kRegistryBackups}, nullptr,
                 {kBackups + "bad.cab"},
                 {kBackups + "001.cab"}},
        Scenario{"registry_backups_stop_at_a_locked_cabinet", {kRegistryBackups},
                 [] { sim::HoldOpen(kBackups + "001.cab", GENERIC_READ, FILE_SHARE_READ); },
                 {kBackups + "000.cab"},
                 {kBackups + "001.cab", kBackups + "002.cab"}},
        Scenario{"media_index_from_the_drive_letter_only", {kMediaPlayerPlaylists},
                 [] {
                   sim::MakeDir("E:\\WINNT");
                   sim::SetWindowsDirectory("E:\\WINNT");
                 },
                 {kAppData + "\\Microsoft\\Media Player\\ActivePlaylist.dat",
                  "E:\\Documents and Settings\\All Users\\Application Data\\Microsoft\\Media "
                  "Index\\x.wmdb"},
                 {kMediaIndex + "\\y.wmdb"}},
        Scenario{"yahoo_home_dir_less_five", {kYahooMessenger},
                 [] { sim::SetString(HKEY_CURRENT_USER, kYahooKey, "HomeDir", kYahooBin); },
                 {"C:\\Yahoo\\ypager.log", "C:\\Yahoo\\IMVCache\\a.gif"},
                 {"C:\\Yahoo\\IMVCache", "C:\\Yahoo\\other.log"}},
        Scenario{"yahoo_home_dir_too_short", {kYahooMessenger},
                 [] { sim::SetString(HKEY_CURRENT_USER, kYahooKey, "HomeDir", "C:\\Yb"); },
                 {},
                 {"C:\\ypager.log", "C:\\IMVCache\\a.gif"}},
        Scenario{"icq_six_folders", {kIcq},
                 [] { sim::SetString(HKEY_LOCAL_MACHINE, kIcqKey, "Path", "C:\\ICQ"); },
                 {"C:\\ICQ\\Bookmark\\1", "C:\\ICQ\\ICQFiles\\2", "C:\\ICQ\\Pictures\\3",
                  "C:\\ICQ\\Received Files\\4", "C:\\ICQ\\2002a\\5", "C:\\ICQ\\2002b\\6"},
                 {"C:\\ICQ\\Bookmark", "C:\\ICQ\\2002b", "C:\\ICQ\\icq.exe", "C:\\ICQ\\Other\\7"}},
        Scenario{"icq_key_readable_but_not_writable", {kIcq},
                 [] {
                   sim::SetString(HKEY_LOCAL_MACHINE, kIcqKey, "Path", "C:\\ICQ");
                   sim::DenyAccess(HKEY_LOCAL_MACHINE, kIcqKey, KEY_SET_VALUE);
                 },
                 {},
                 {"C:\\ICQ\\Bookmark\\1"}},
        Scenario{"icq_path_of_260_bytes_does_not_fit", {kIcq},
                 [] {
                   sim::SetValue(HKEY_LOCAL_MACHINE, kIcqKey, "Path", REG_SZ,
                                 std::string(260, 'C'));
                 },
                 {},
                 {kTemp + "\\keep"}},
        Scenario{"aim_default_value_less_eight", {kAim},
                 [] { sim::SetString(HKEY_CURRENT_USER, kAimKey, "", "D:\\Apps\\AIM\\aim.exe"); },
                 {"D:\\Apps\\AIM\\a.tmp", "D:\\Apps\\AIM\\B.DAT"},
                 {"D:\\Apps\\AIM\\c.txt", "D:\\Apps\\AIM\\sub\\d.tmp"}},
        Scenario{"msn_received_files", {kMsnReceivedFiles}, nullptr,
                 {kDocs + "\\My Received Files\\pic.jpg"},
                 {kDocs + "\\My Received Files", kDocs + "\\mine.doc"}},
        Scenario{"aol_client", {kAolGoTo, kAolCache, kAim},
                 [] {
                   sim::SetString(HKEY_LOCAL_MACHINE, kAolKey, "AppPath", "C:\\AOL");
                   sim::MakeFile("C:\\AOL\\organize\\y.aRl", "ro", FILE_ATTRIBUTE_READONLY);
                 },
                 {"C:\\AOL\\download\\a.log", "C:\\AOL\\organize\\x.AUT",
                  "C:\\AOL\\organize\\y.aRl", "C:\\AOL\\organize\\CACHE\\c.art"},
                 {"C:\\AOL\\download\\b.txt", "C:\\AOL\\organize\\x.arl.bak",
                  "C:\\AOL\\organize\\sub\\z.aut", "C:\\AOL\\organize\\CACHE"}},
        Scenario{"ie_cookies", {kIeCookies}, nullptr,
                 {kCookies + "\\user@site.txt", kCookies + "\\index.dat"},
                 {kCookies},
                 {},
                 {kCookies + "\\index.dat"}},
        Scenario{"ie_cache_with_index_dat", {kIeCache}, nullptr,
                 {kCache + "\\page.htm", kTif + "\\index.dat", kTif + "\\Content.IE5",
                  kTif + "\\Content.IE5\\x.gif"},
                 {kCache, kTif},
                 {kTif + "\\index.dat"},
                 {kCache + "\\index.dat"}},
        Scenario{"aol_cache_flag_alone_without_aol_runs_ie_cache", {kAolCache}, nullptr,
                 {kCache + "\\page.htm"}},
        Scenario{"favorites", {kIeFavorites}, nullptr,
                 {kFavorites + "\\Links", kFavorites + "\\Links\\a.url"},
                 {kFavorites + "\\desktop.ini"}},
        Scenario{"history_without_index_dat_flag", {kIeHistory}, nullptr,
                 {kHistory + "\\index.dat", kHistory + "\\History.IE5",
                  kWin + "\\History\\index.dat"},
                 {kHistory, kWin + "\\History"},
                 {kWin + "\\History\\index.dat"},
                 {kHistory + "\\index.dat", kHistory + "\\History.IE5\\index.dat"}},
        Scenario{"history_with_index_dat_flag", {kIeHistory, kIndexDat}, nullptr,
                 {kHistory + "\\index.dat"},
                 {kHistory},
                 {kHistory + "\\index.dat", kHistory + "\\History.IE5\\index.dat"}},
        Scenario{"index_dat_flag_alone_erases_nothing",
                 {kIndexDat, kRecycleBin, kNetscapeHiddenMail}, nullptr,
                 {},
                 {kHistory + "\\index.dat", kTemp + "\\a"}},
        Scenario{"netscape_cookies_in_both_trees", {kNetscapeCookies}, nullptr,
                 {kAppData + "\\Mozilla\\Profiles\\p1\\cookies.txt",
                  kAppData + "\\Mozilla\\Firefox\\Profiles\\p2\\x\\cookies.txt",
                  kNetscape + "\\cookies.txt"},
                 {kNetscape + "\\history.dat"}},
        Scenario{"netscape_everything", {kNetscapeCache, kNetscapeHistory, kNetscapeMail}, nullptr,
                 {kMozilla + "\\Cache\\a", kMozilla + "\\NewCache\\b", kMozilla + "\\history.dat",
                  kMozilla + "\\netscape.hst", kMozilla + "\\Trash", kMozilla + "\\Trash.msf",
                  kMozilla + "\\Sent"},
                 {kMozilla + "\\Cache", kMozilla + "\\Inbox"}}),
    [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

// ---- steps whose effect is not a file ----------------------------------------------

class TargetStateTest : public SimTest {
 protected:
  void Run(std::initializer_list<int> flags) {
    CSweepProfile profile;
    for (int flag : flags) profile.di[flag] = 1;
    profile.Run(kRunAllMask);
  }
};

TEST_F(TargetStateTest, TypedAddressesKeyIsDeletedAndNotCreatedAgain) {
  const char* key = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
  sim::SetString(HKEY_CURRENT_USER, key, "url1", "http://example.test/");
  Run({kTypedUrls});
  EXPECT_FALSE(sim::KeyExists(HKEY_CURRENT_USER, key));
  Run({kTypedUrls});
  EXPECT_FALSE(sim::KeyExists(HKEY_CURRENT_USER, key));
}

TEST_F(TargetStateTest, RecentDocsKeyGoesEvenWithoutTheRecentFolder) {
  const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs";
  sim::SetString(HKEY_CURRENT_USER, std::string(key) + "\\.doc", "0", "x");
  sim::RemoveSpecialFolder(CSIDL_RECENT);
  Run({kRecentFiles});
  EXPECT_FALSE(sim::KeyExists(HKEY_CURRENT_USER, key));
}

TEST_F(TargetStateTest, CachePurgeSplitsCookiesFromTheRest) {
  sim::AddCacheEntry("Cookie:user@a.test/", COOKIE_CACHE_ENTRY | NORMAL_CACHE_ENTRY);
  sim::AddCacheEntry("http://a.test/page", NORMAL_CACHE_ENTRY);
  sim::AddCacheEntry("Visited: user@http://a.test/", URLHISTORY_CACHE_ENTRY);
  Run({kIeCookies});
  EXPECT_EQ(sim::CacheUrls(),
            (Names{"http://a.test/page", "Visited: user@http://a.test/"}));
  sim::AddCacheEntry("Cookie:user@b.test/", COOKIE_CACHE_ENTRY);
  Run({kAolCache});  // runs the Internet Explorer cache step, silently
  EXPECT_EQ(sim::CacheUrls(), (Names{"Cookie:user@b.test/"}));
}

TEST_F(TargetStateTest, CookiesFolderUnavailableStillPurgesCookieEntries) {
  sim::AddCacheEntry("Cookie:user@a.test/", COOKIE_CACHE_ENTRY);
  sim::MakeFile(kCookies + "\\c.txt", "c");
  sim::RemoveSpecialFolder(CSIDL_COOKIES);
  Run({kIeCookies});
  EXPECT_TRUE(sim::CacheUrls().empty());
  EXPECT_TRUE(sim::Exists(kCookies + "\\c.txt"));
}

TEST_F(TargetStateTest, InternetCacheFolderUnavailableEndsTheCacheStep) {
  sim::MakeFile(kWin + "\\Temporary Internet Files\\x", "x");
  sim::RemoveSpecialFolder(CSIDL_INTERNET_CACHE);
  Run({kIeCache});
  EXPECT_TRUE(sim::Exists(kWin + "\\Temporary Internet Files\\x"));
}

TEST_F(TargetStateTest, HistoryObjectIsClearedWhenItCanBeCreated) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  Run({kIeHistory});
  EXPECT_EQ(sim::UrlHistoryClears(), 1);

  sim::SetUrlHistoryResult(REGDB_E_CLASSNOTREG);
  sim::MakeFile(kHistory + "\\h.dat", "h");
  Run({kIeHistory});
  EXPECT_EQ(sim::UrlHistoryClears(), 1);
  EXPECT_FALSE(sim::Exists(kHistory + "\\h.dat")) << "the folders are emptied all the same";
  CoUninitialize();
}

// With the main window as the owner, or with none in a scheduled run.
TEST_F(TargetStateTest, ClipboardIsEmptiedWithTheMainWindowAsOwner) {
  view_.hwnd = reinterpret_cast<HWND>(0x1234);
  for (HWND owner : {view_.hwnd, HWND{}}) {
    if (!owner) {
      g_pRunView = nullptr;
      g_bSilent = 1;
    }
    sim::SetClipboardText("secret");
    Run({kClipboard});
    EXPECT_FALSE(sim::ClipboardHasData());
    EXPECT_EQ(sim::LastClipboardOwner(), owner);
  }
}

TEST_F(TargetStateTest, ClipboardHeldByAnotherProgramIsLeft) {
  sim::SetClipboardText("secret");
  sim::HoldClipboard();
  Run({kClipboard});
  EXPECT_TRUE(sim::ClipboardHasData());
  EXPECT_TRUE(sim::CallsOf("EmptyClipboard").empty());
}

TEST_F(TargetStateTest, MediaPlayerHistoryDeletesBothLists) {
  sim::SetString(HKEY_CURRENT_USER, kPlayer + "\\RecentFileList", "File0", "C:\\a.mp3");
  sim::SetString(HKEY_CURRENT_USER, kPlayer + "\\RecentURLList\\Deep", "URL0", "http://x/");
  Run({kMediaPlayerHistory, kMediaPlayerPlaylists});
  EXPECT_FALSE(sim::KeyExists(HKEY_CURRENT_USER, kPlayer + "\\RecentFileList"));
  EXPECT_FALSE(sim::KeyExists(HKEY_CURRENT_USER, kPlayer + "\\RecentURLList"));
  EXPECT_TRUE(sim::KeyExists(HKEY_CURRENT_USER, kPlayer));
}

TEST_F(TargetStateTest, PlaylistsStepDeletesListTreesAndTriesToRecreateThem) {
  sim::SetString(HKEY_CURRENT_USER, kPlayer + "\\RecentFileList", "File0", "C:\\a.mp3");
  sim::SetString(HKEY_CURRENT_USER, kPlayer + "\\RecentURLList\\Deep\\Deeper", "URL0", "u");
  Run({kMediaPlayerPlaylists});
  for (const char* list : {"\\RecentFileList", "\\RecentURLList"}) {
    EXPECT_TRUE(sim::ValueNames(HKEY_CURRENT_USER, kPlayer + list).empty()) << list;
    EXPECT_TRUE(sim::SubKeys(HKEY_CURRENT_USER, kPlayer + list).empty()) << list;
  }
  // The re-creation names the key with a leading backslash.
  auto creates = sim::CallsOf("RegCreateKeyExA");
  ASSERT_EQ(creates.size(), 2u);
  EXPECT_NE(creates[0].subject.find("\\\\RecentFileList"), std::string::npos)
      << creates[0].subject;
}

TEST_F(TargetStateTest, PlaylistsStepWithoutPlayerKeyTouchesNoKey) {
  Run({kMediaPlayerPlaylists});
  EXPECT_TRUE(sim::CallsOf("RegCreateKeyExA").empty());
  EXPECT_TRUE(sim::CallsOf("RegDeleteKeyA").empty());
}

TEST_F(TargetStateTest, WindowsDirectoryFailureSkipsOnlyWhatNeedsIt) {
  sim::FailCall("GetWindowsDirectoryA", ERROR_NOT_ENOUGH_MEMORY);
  sim::MakeFile(kTemp + "\\a", "a");
  sim::MakeFile(kWin + "\\sysbckup\\rb000.cab", "c");
  sim::MakeFile(kAppData + "\\Microsoft\\Media Player\\ActivePlaylist.dat", "p");
  Run({kTempFolders, kRegistryBackups, kMediaPlayerPlaylists});
  EXPECT_FALSE(sim::Exists(kTemp + "\\a"));
  EXPECT_TRUE(sim::Exists(kWin + "\\sysbckup\\rb000.cab"));
  EXPECT_FALSE(sim::Exists(kAppData + "\\Microsoft\\Media Player\\ActivePlaylist.dat"));
  EXPECT_EQ(view_.lines[view_.lines.size() - 2], "Erasing Media Player Keys...");
}

TEST_F(TargetStateTest, MessengerLookupFailuresStillLogAndTouchNothing) {
  // Yahoo! value missing, ICQ key missing, AIM value longer than the buffer.
  sim::MakeKey(HKEY_CURRENT_USER, kYahooKey);
  sim::SetString(HKEY_CURRENT_USER, kAimKey, "", "C:\\" + std::string(300, 'a'));
  sim::MakeFile("C:\\x.tmp", "x");
  Run({kYahooMessenger, kIcq, kAim});
  EXPECT_EQ(view_.lines, (Names{"Start cleaning...",
                                                   "Erasing Yahoo! Messenger logs ...",
                                                   "Erasing ICQ logs ...", "Erasing AIM logs ...",
                                                   "Cleaning complete."}));
  EXPECT_TRUE(sim::Exists("C:\\x.tmp"));
  EXPECT_TRUE(sim::CallsOf("DeleteFileA").empty());
}

TEST_F(TargetStateTest, AppFolderValueWithoutNulThatFitsIsRead) {
  // Stored without its NUL: the text is the bytes the value holds.
  sim::AddDrive('D');
  std::string folder = "D:\\" + std::string(240, 'i');
  sim::SetValue(HKEY_LOCAL_MACHINE, kIcqKey, "Path", REG_SZ, folder);
  sim::MakeFile(folder + "\\2002a\\x", "x");
  Run({kIcq});
  EXPECT_FALSE(sim::Exists(folder + "\\2002a\\x"));
}

}  // namespace
