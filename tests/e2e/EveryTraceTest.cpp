// `tidewisp.exe auto` on a prefix seeded with every kind of trace, checked
// target by target afterwards: what must go and what must stay.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/e2e/E2e.h"
#include "tests/support/Win32Test.h"

namespace {

const char kAolKey[] = "SOFTWARE\\America Online\\America Online\\CurrentVersion";
const char kYahooKey[] = "SOFTWARE\\Yahoo\\YServer";
const char kIcqKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ICQ.exe";
const char kAimKey[] =
    "SOFTWARE\\America Online\\AOL Instant Messenger (TM)\\CurrentVersion\\AppPath";
const char kTypedUrls[] = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
const char kRecentDocs[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs";
const char kPlayer[] = "Software\\Microsoft\\MediaPlayer\\Player";

bool KeyIsEmpty(HKEY root, const std::string& key) {
  HKEY handle;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return true;
  char name[256];
  DWORD size = sizeof name;
  bool empty = RegEnumKeyExA(handle, 0, name, &size, nullptr, nullptr, nullptr, nullptr) ==
               ERROR_NO_MORE_ITEMS;
  size = sizeof name;
  empty = empty && RegEnumValueA(handle, 0, name, &size, nullptr, nullptr, nullptr, nullptr) ==
                       ERROR_NO_MORE_ITEMS;
  RegCloseKey(handle);
  return empty;
}

class EveryTrace : public E2eTest {
 protected:
  void SetUp() override {
    E2eTest::SetUp();
    win_ = WindowsDir();
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    temp_ = temp;
    docs_ = Folder(CSIDL_PERSONAL);
    appData_ = Folder(CSIDL_APPDATA);
    for (int flag = 0; flag < 26; ++flag)
      SetSetting(("di" + std::to_string(flag)).c_str(), flag == 4 ? "0" : "1");
    SetSetting("when", "0");
    SetSetting("lastErase", "0");
  }

  void Seed(const std::vector<std::string>& paths) {
    for (const auto& path : paths) SeedFile(path, "trace:" + path);
  }

  std::string win_, temp_, docs_, appData_;
};

TEST_F(EveryTrace, AScheduledRunLeavesNoTraceAndKeepsTheRest) {
  // Files and folders in every target location.
  const std::string mozilla = appData_ + "\\Mozilla\\Firefox\\Profiles\\abcd.default";
  const std::string netscape = "C:\\Program Files\\Netscape\\Users\\me";
  const std::string mediaIndex =
      win_.substr(0, 1) +
      ":\\Documents and Settings\\All Users\\Application Data\\Microsoft\\Media Index";
  const std::vector<std::string> gone = {
      temp_ + "tw-trace.tmp",
      win_ + "\\Temp\\tw-trace.tmp",
      Folder(CSIDL_RECENT) + "\\doc.lnk",
      docs_ + "\\letter.doc",
      docs_ + "\\My Received Files\\photo.jpg",
      win_ + "\\sysbckup\\rb000.cab",
      win_ + "\\sysbckup\\rb001.cab",
      Folder(CSIDL_FAVORITES) + "\\site.url",
      Folder(CSIDL_INTERNET_CACHE) + "\\tw-page.htm",
      Folder(CSIDL_COOKIES) + "\\user@site.txt",
      Folder(CSIDL_HISTORY) + "\\tw-history.dat",
      win_ + "\\History\\index.dat",
      win_ + "\\Temporary Internet Files\\index.dat",
      mozilla + "\\cookies.txt",
      mozilla + "\\history.dat",
      mozilla + "\\Cache\\0A1B2C",
      mozilla + "\\Mail\\Local Folders\\Trash",
      netscape + "\\cookies.txt",
      netscape + "\\Sent",
      appData_ + "\\Microsoft\\Media Player\\ActivePlaylist.dat",
      mediaIndex + "\\media.wmdb",
      "C:\\AOL\\download\\get.log",
      "C:\\AOL\\organize\\goto.AUT",
      "C:\\AOL\\organize\\CACHE\\art.bin",
      "C:\\Yahoo\\ypager.log",
      "C:\\Yahoo\\IMVCache\\avatar.gif",
      "C:\\ICQ\\Received Files\\sent.zip",
      "C:\\ICQ\\2002a\\history.dat",
      "C:\\AIM\\buddy.tmp",
      "C:\\AIM\\log.dat",
      "C:\\tw-lists\\wipe-me.txt",
      "C:\\tw-lists\\erase-me\\inner\\x.txt",
  };
  const std::vector<std::string> kept = {
      docs_ + "\\desktop.ini",
      "C:\\AOL\\organize\\goto.arl.bak",
      "C:\\AOL\\organize\\sub\\other.aut",
      "C:\\AIM\\aim.exe",
      "C:\\AIM\\sub\\deep.tmp",
      "C:\\ICQ\\icq.exe",
      "C:\\Yahoo\\other.txt",
  };
  Seed(gone);
  Seed(kept);
  SeedFile(win_ + "\\sysbckup\\rb003.cab", "after a gap");

  // Registry traces and application paths.
  const std::string player = kPlayer;
  const struct {
    HKEY root;
    std::string key;
    const char *name, *text;
  } values[] = {{HKEY_CURRENT_USER, kTypedUrls, "url1", "http://typed.test/"},
                {HKEY_CURRENT_USER, std::string(kRecentDocs) + "\\.doc", "0", "letter.doc"},
                {HKEY_CURRENT_USER, player + "\\RecentFileList", "File0", "C:\\a.mp3"},
                {HKEY_CURRENT_USER, player + "\\RecentURLList", "URL0", "http://m/"},
                {HKEY_LOCAL_MACHINE, kAolKey, "AppPath", "C:\\AOL"},
                {HKEY_CURRENT_USER, kYahooKey, "HomeDir", "C:\\Yahoo\\bin\\"},
                {HKEY_LOCAL_MACHINE, kIcqKey, "Path", "C:\\ICQ"},
                {HKEY_CURRENT_USER, kAimKey, "", "C:\\AIM\\aim.exe"}};
  for (const auto& value : values)
    ASSERT_TRUE(SetRegString(value.root, value.key, value.name, value.text)) << value.key;
  SetSetting("nFiles", "1");
  SetSetting("file0", "C:\\tw-lists\\wipe-me.txt");
  SetSetting("nFolders", "1");
  SetSetting("folder0", "C:\\tw-lists\\erase-me");

  // The Internet cache: a cookie and a page.
  ASSERT_TRUE(InternetSetCookieA("http://e2e-cookie.test/", "k",
                                 "v; expires=Sat, 01-Jan-2050 00:00:00 GMT"));
  char local[MAX_PATH] = {};
  ASSERT_TRUE(CreateUrlCacheEntryA("http://e2e-page.test/p.htm", 0, "htm", local, 0));
  SeedFile(local, "<p>");
  FILETIME zero = {};
  ASSERT_TRUE(CommitUrlCacheEntryA("http://e2e-page.test/p.htm", local, zero, zero,
                                   NORMAL_CACHE_ENTRY, nullptr, 0, nullptr, nullptr));
  ASSERT_TRUE(Cached("e2e-cookie.test"));
  ASSERT_TRUE(Cached("e2e-page.test"));

  // The clipboard.
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 7);
  std::memcpy(GlobalLock(text), "secret", 7);
  GlobalUnlock(text);
  SetClipboardData(CF_TEXT, text);
  CloseClipboard();

  ASSERT_EQ(RunTidewisp("auto"), 0u);

  for (const auto& path : gone) EXPECT_FALSE(FileExists(path)) << path << " survived";
  for (const auto& path : kept) EXPECT_TRUE(FileExists(path)) << path << " was erased";
  EXPECT_TRUE(FileExists(win_ + "\\sysbckup\\rb003.cab")) << "the run of cabinets stops at a gap";
  EXPECT_FALSE(FileExists("C:\\tw-lists\\erase-me")) << "a listed folder is removed";
  EXPECT_TRUE(FileExists(docs_)) << "My Documents itself stays";
  EXPECT_TRUE(FileExists(mozilla + "\\Cache")) << "cache folders are emptied, not removed";
  EXPECT_TRUE(FileExists("C:\\ICQ\\Received Files"));

  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kTypedUrls));
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kRecentDocs));
  EXPECT_TRUE(KeyIsEmpty(HKEY_CURRENT_USER, std::string(kPlayer) + "\\RecentFileList"));
  EXPECT_TRUE(KeyIsEmpty(HKEY_CURRENT_USER, std::string(kPlayer) + "\\RecentURLList"));
  EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kAolKey)) << "application keys are only read";

  EXPECT_FALSE(Cached("e2e-cookie.test"));
  EXPECT_FALSE(Cached("e2e-page.test"));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_NE(Setting("lastErase"), "0");

  // Leave the machine-wide keys as they were found.
  SHDeleteKeyA(HKEY_LOCAL_MACHINE, kAolKey);
  SHDeleteKeyA(HKEY_LOCAL_MACHINE, kIcqKey);
  SHDeleteKeyA(HKEY_CURRENT_USER, kYahooKey);
  SHDeleteKeyA(HKEY_CURRENT_USER, kAimKey);
}

}  // namespace
