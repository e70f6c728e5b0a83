// tidewisp.exe started as a scheduled start: every kind of trace erased by one
// run with every flag on, and the schedule's decision.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>

#include "tests/support/Process.h"
#include "tests/support/Win32Test.h"

namespace {

const char kKey[] = "Software\\Marrowfield\\Tidewisp";
const char kTypedUrls[] = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
const char kRecentDocs[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs";
const std::string kPlayer = "Software\\Microsoft\\MediaPlayer\\Player";

std::string Folder(int csidl) {
  char path[MAX_PATH] = {};
  SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE);
  return path;
}

bool KeyIsEmpty(const std::string& key) {
  HKEY handle;
  DWORD keys = 0, values = 0;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle)) return true;
  RegQueryInfoKeyA(handle, 0, 0, 0, &keys, 0, 0, &values, 0, 0, 0, 0);
  RegCloseKey(handle);
  return keys == 0 && values == 0;
}

// Names outside the system's ANSI code page, seeded with the "W" calls.
bool SeedWide(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  return file != INVALID_HANDLE_VALUE && CloseHandle(file);
}

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override { SHDeleteKeyA(HKEY_CURRENT_USER, kKey); }
  void TearDown() override { SHDeleteKeyA(HKEY_CURRENT_USER, kKey); }
  void Set(const char* name, const std::string& text) {
    ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, kKey, name, text)) << name;
  }
  static std::string Setting(const char* name) {
    char data[256] = {};
    DWORD size = sizeof data;
    return RegGetValueA(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_SZ, 0, data, &size) ? "" : data;
  }
  // This build's tidewisp.exe, one folder above the test program, started and
  // waited for; its exit code.
  static DWORD RunTidewisp(const std::string& arguments) {
    char module[MAX_PATH];
    std::string exe(module, GetModuleFileNameA(nullptr, module, MAX_PATH));
    exe = exe.substr(0, exe.rfind('\\', exe.rfind('\\') - 1)) + "\\tidewisp.exe";
    DWORD code = 0;
    EXPECT_TRUE(RunAndWait("\"" + exe + "\" " + arguments, 120000, &code)) << exe;
    return code;
  }
};

TEST_F(EndToEnd, AScheduledRunWithEveryFlagLeavesNoTraceAndKeepsTheRest) {
  char temp[MAX_PATH], win[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string w(win, GetWindowsDirectoryA(win, MAX_PATH)), docs = Folder(CSIDL_PERSONAL),
      moz = Folder(CSIDL_APPDATA) + "\\Mozilla\\Firefox\\Profiles\\p",
      ns = "C:\\Program Files\\Netscape\\Users\\me";
  const std::vector<std::string> gone = {
      temp + std::string("tw.tmp"), Folder(CSIDL_RECENT) + "\\d.lnk", docs + "\\letter.doc",
      docs + "\\My Received Files\\photo.jpg", Folder(CSIDL_FAVORITES) + "\\s.url",
      Folder(CSIDL_COOKIES) + "\\me@site.txt", moz + "\\cookies.txt", moz + "\\history.dat",
      moz + "\\Cache\\0A1B", moz + "\\Mail\\Trash", ns + "\\cookies.txt", ns + "\\Sent",
      Folder(CSIDL_APPDATA) + "\\Microsoft\\Media Player\\ActivePlaylist.dat",
      w.substr(0, 2) + "\\Documents and Settings\\All Users\\Application Data\\Microsoft\\Media "
                       "Index\\m.wmdb",
      "C:\\AOL\\download\\get.log", "C:\\AOL\\organize\\goto.AUT", "C:\\Yahoo\\ypager.log",
      "C:\\Yahoo\\IMVCache\\a.gif", "C:\\ICQ\\Received Files\\s.zip", "C:\\ICQ\\2002a\\h.dat",
      "C:\\AIM\\buddy.tmp", "C:\\AIM\\log.dat", "C:\\twl\\wipe.txt", "C:\\twl\\erase\\in\\x.txt"};
  const std::vector<std::string> kept = {
      docs + "\\desktop.ini", "C:\\AOL\\organize\\goto.arl.bak", "C:\\AOL\\organize\\sub\\o.aut",
      "C:\\AIM\\aim.exe", "C:\\AIM\\sub\\deep.tmp", "C:\\ICQ\\icq.exe", "C:\\Yahoo\\other.txt"};
  for (const auto* paths : {&gone, &kept})
    for (const auto& path : *paths) ASSERT_TRUE(WriteAll(path, "trace")) << path;
  ASSERT_TRUE(WriteAll("C:\\AOL\\organize\\ro.ARL", "", FILE_ATTRIBUTE_READONLY));
  const std::vector<std::wstring> wide = {std::wstring(temp, temp + strlen(temp)) + L"日本.tmp",
                                          L"C:\\twl\\мой.txt", L"C:\\twl\\erase\\Ελλάς.txt"};
  for (const auto& path : wide) ASSERT_TRUE(SeedWide(path));

  // Machine-wide applications register in the 32-bit view.
  const struct {
    HKEY root;
    std::string key;
    const char *name, *text;
    REGSAM view;
  } values[] = {
      {HKEY_CURRENT_USER, kTypedUrls, "url1", "http://typed.test/"},
      {HKEY_CURRENT_USER, std::string(kRecentDocs) + "\\.doc", "0", "letter.doc"},
      {HKEY_CURRENT_USER, kPlayer + "\\RecentFileList\\Deep", "File0", "C:\\a.mp3"},
      {HKEY_CURRENT_USER, kPlayer + "\\RecentURLList", "URL0", "http://m/"},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\America Online\\America Online\\CurrentVersion", "AppPath",
       "C:\\AOL", KEY_WOW64_32KEY},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ICQ.exe",
       "Path", "C:\\ICQ", KEY_WOW64_32KEY},
      {HKEY_CURRENT_USER, "SOFTWARE\\Yahoo\\YServer", "HomeDir", "C:\\Yahoo\\bin\\"},
      {HKEY_CURRENT_USER,
       "SOFTWARE\\America Online\\AOL Instant Messenger (TM)\\CurrentVersion\\AppPath", "",
       "C:\\AIM\\aim.exe"}};
  for (const auto& v : values)
    ASSERT_TRUE(SetRegString(v.root, v.key, v.name, v.text, v.view)) << v.key;
  for (int flag = 0; flag < 26; ++flag) Set(("di" + std::to_string(flag)).c_str(), "1");
  for (const auto& [name, text] : {std::pair{"when", "0"}, {"lastErase", "0"}, {"nFiles", "2"},
                                   {"file0", "C:\\twl\\wipe.txt"}, {"nFolders", "1"},
                                   {"folder0", "C:\\twl\\erase"}})
    Set(name, text);
  ASSERT_FALSE(RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Marrowfield\\Tidewisp", L"file1",
                               REG_SZ, wide[1].c_str(), (wide[1].size() + 1) * 2));
  ASSERT_TRUE(OpenClipboard(nullptr) && EmptyClipboard());
  HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 7);
  std::memcpy(GlobalLock(text), "secret", 7);
  GlobalUnlock(text);
  ASSERT_TRUE(SetClipboardData(CF_TEXT, text) && CloseClipboard());

  ASSERT_EQ(RunTidewisp("auto"), 0u);

  for (const auto& path : gone) EXPECT_FALSE(Exists(path)) << path << " survived";
  for (const auto& path : kept) EXPECT_TRUE(Exists(path)) << path << " was erased";
  for (const auto& path : wide) EXPECT_EQ(GetFileAttributesW(path.c_str()), ~0u) << "survived";
  EXPECT_FALSE(Exists("C:\\AOL\\organize\\ro.ARL")) << "read-only GO TO files go too";
  EXPECT_FALSE(Exists("C:\\twl\\erase")) << "a listed folder is removed";
  EXPECT_TRUE(Exists(moz + "\\Cache")) << "cache folders are emptied, not removed";
  for (const std::string& key : {std::string(kTypedUrls), std::string(kRecentDocs),
                                 kPlayer + "\\RecentFileList", kPlayer + "\\RecentURLList"})
    EXPECT_TRUE(KeyIsEmpty(key)) << key;
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_NE(Setting("lastErase"), "0") << "a scheduled run stores its time";
  EXPECT_EQ(Setting("file1"), "C:\\twl\\мой.txt") << "settings keep their UTF-16 text";

  for (const auto& v : values) RegDeleteKeyExA(v.root, v.key.c_str(), v.view, 0);
  for (const char* folder : {"C:\\twl", "C:\\AOL", "C:\\AIM", "C:\\ICQ", "C:\\Yahoo"})
    RemoveTree(folder);
}

// Registry backup cabinets make a target that touches nothing else.
TEST_F(EndToEnd, TheScheduleDecidesWhetherAScheduledStartCleans) {
  char win[MAX_PATH];
  const std::string cabinet =
      std::string(win, GetWindowsDirectoryA(win, MAX_PATH)) + "\\sysbckup\\rb000.cab";
  const std::string recent = std::to_string(static_cast<long long>(std::time(nullptr)) - 86400);
  const struct {
    const char *on, *when, *lastErase;
    bool cleans;
  } rows[] = {{"0", "0", "0", false}, {"1", "2", recent.c_str(), false}, {"1", "1", "1000", true}};
  for (const auto& row : rows) {
    ASSERT_TRUE(WriteAll(cabinet, "cab"));
    for (const auto& [name, text] : {std::pair{"di5", "1"}, {"di21", row.on}, {"when", row.when},
                                     {"lastErase", row.lastErase}})
      Set(name, text);
    ASSERT_EQ(RunTidewisp("auto"), 0u);
    EXPECT_EQ(!Exists(cabinet), row.cleans) << "di21=" << row.on << " when=" << row.when;
    EXPECT_EQ(Setting("lastErase") != row.lastErase, row.cleans) << "saved only after a run";
  }
}

}  // namespace
