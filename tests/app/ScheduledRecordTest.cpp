// The report a scheduled run leaves in the settings for the next interactive
// start: written by the real tidewisp.exe started with "auto", shown once by
// the main window, dropped quietly when damaged, cut when long.
#include "profile/ScheduledRecord.h"
#include "profile/SweepProfile.h"
#include "tests/support/Process.h"
#include "tests/support/Win32Test.h"
#include "ui/SweepDlg.h"

namespace {

const char kKey[] = "Software\\Marrowfield\\Tidewisp";

// The stored record, or "<absent>".
std::string Stored() {
  char data[kScheduledRecordLimit + 64] = {};
  DWORD size = sizeof data;
  return RegGetValueA(HKEY_CURRENT_USER, kKey, "lastScheduledRun", RRF_RT_REG_SZ, nullptr, data,
                      &size)
             ? "<absent>"
             : data;
}

std::string Today() {
  char date[64];
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
  return date;
}

class ScheduledRecord : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Marrowfield");
  }
  void TearDown() override {
    SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Marrowfield");
    ScratchTest::TearDown();
  }
  // tidewisp.exe auto, with the schedule on and lastErase as given, and a
  // listed file to wipe.
  void RunScheduled(const std::string& lastErase) {
    MakeFile("listed.txt", "trace");
    for (auto [name, text] : {std::pair<const char*, std::string>{"di21", "1"}, {"when", "1"},
                              {"lastErase", lastErase}, {"nFiles", "1"}, {"file0", Path("listed.txt")}})
      ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, kKey, name, text));
    char module[MAX_PATH];
    std::string exe(module, GetModuleFileNameA(nullptr, module, MAX_PATH));
    exe = exe.substr(0, exe.rfind('\\', exe.rfind('\\') - 1)) + "\\tidewisp.exe";
    DWORD code = 0;
    ASSERT_TRUE(RunAndWait("\"" + exe + "\" auto", 60000, &code));
  }
};

TEST_F(ScheduledRecord, ADueRunWritesItsReportAndOneNotDueKeepsTheLast) {
  RunScheduled("0");
  EXPECT_FALSE(Has("listed.txt")) << "the run was due";
  std::string record = Stored();
  EXPECT_EQ(record.rfind("Scheduled clean on " + Today() + " at ", 0), 0u) << record;
  EXPECT_NE(record.find(":\r\nErased 1 file (5 bytes)."), std::string::npos) << record;

  ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, kKey, "lastScheduledRun", "earlier"));
  RunScheduled(std::to_string(time(nullptr)));
  EXPECT_TRUE(Has("listed.txt")) << "not due: nothing erased";
  EXPECT_EQ(Stored(), "earlier");
}

// The main window shows a readable record first, then deletes it; one that
// cannot be read is deleted unseen.
TEST_F(ScheduledRecord, TheNextStartShowsItOnceAndDropsADamagedOne) {
  const std::string wide(kScheduledRecordLimit, 'x');
  const struct {
    const char* what;
    DWORD type;
    std::string data;  // stored as it is, NUL included where given
    std::vector<std::string> shown;
  } rows[] = {
      {"a record", REG_SZ, std::string("Scheduled clean on x:\r\nErased 1 file (5 bytes).\0", 48),
       {"Scheduled clean on x:", "Erased 1 file (5 bytes).", ""}},
      {"not a string", REG_BINARY, "Scheduled", {}},
      {"too long", REG_SZ, wide + '\0', {}},
      {"not text", REG_SZ, std::string("Sched\0uled\0", 11), {}},
  };
  for (const auto& row : rows) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, 0, 0, KEY_ALL_ACCESS, 0, &key, 0), 0);
    RegSetValueExA(key, "lastScheduledRun", 0, row.type,
                   reinterpret_cast<const BYTE*>(row.data.data()),
                   static_cast<DWORD>(row.data.size()));
    RegCloseKey(key);
    g_pProfile = new CSweepProfile;
    {
      CSweepDlg dialog;
      ASSERT_TRUE(dialog.Create(nullptr));
      std::vector<std::string> lines = row.shown;
      lines.push_back("Tidewisp ready ...");
      const CListBox& log = dialog.m_mainPage.m_log;
      std::vector<std::string> got(log.GetCount());
      char text[512];
      for (size_t i = 0; i < got.size(); ++i)
        got[i].assign(text, log.SendMessage(LB_GETTEXT, i, reinterpret_cast<LPARAM>(text)));
      EXPECT_EQ(got, lines) << row.what;
      DestroyWindow(dialog.m_hWnd);
    }
    delete g_pProfile;
    g_pProfile = nullptr;
    EXPECT_EQ(Stored(), "<absent>") << row.what << " is shown once";
  }
}

TEST_F(ScheduledRecord, AReportOfManyPathsIsCutWithACount) {
  std::vector<std::string> report = {"Erased 3 files (1 KB)."};
  for (int i = 0; i < 2000; ++i)
    report.push_back("Not wiped (in use or protected): C:\\a\\long\\path\\" + std::to_string(i));
  std::string record = MakeScheduledRecord(SYSTEMTIME{2026, 12, 1, 7, 9, 14}, report);
  EXPECT_LT(record.size() + 1, kScheduledRecordLimit);
  size_t last = record.rfind("\r\n") + 2, shown = 0;
  for (size_t at = record.find("\r\n"); at != last - 2; at = record.find("\r\n", at + 2)) ++shown;
  EXPECT_EQ(record.substr(last), "... and " + std::to_string(report.size() - shown) + " more.");
  EXPECT_EQ(record.substr(0, record.find("\r\n")), "Scheduled clean on 12/7/2026 at 9:14 AM:")
      << "a US user's date and time";
}

}  // namespace
