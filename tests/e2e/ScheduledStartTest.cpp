// `tidewisp.exe auto` end to end in the project's Wine prefix: the settings in
// the real registry decide whether a scheduled start cleans.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "tests/e2e/E2e.h"

namespace {

class ScheduledStart : public E2eTest {
 protected:
  void SetUp() override {
    E2eTest::SetUp();
    // Registry backup cabinets make a target that touches nothing else.
    backups_ = WindowsDir() + "\\sysbckup";
    CreateDirectoryA(backups_.c_str(), nullptr);
    for (const char* name : {"rb000.cab", "rb001.cab"}) SeedFile(backups_ + "\\" + name, "cab");
    SetSetting("di5", "1");
  }
  bool Cleaned() { return !FileExists(backups_ + "\\rb000.cab"); }
  std::string backups_;
};

TEST_F(ScheduledStart, ScheduleOffDoesNothing) {
  SetSetting("di21", "0");
  SetSetting("lastErase", "0");
  ASSERT_EQ(RunTidewisp("auto"), 0u);
  EXPECT_FALSE(Cleaned());
  EXPECT_EQ(Setting("lastErase"), "0");
}

TEST_F(ScheduledStart, DueScheduleRunsAndStoresItsTime) {
  SetSetting("di21", "1");
  SetSetting("when", "1");
  SetSetting("lastErase", "1000");
  long long before = static_cast<long long>(std::time(nullptr));
  ASSERT_EQ(RunTidewisp("auto"), 0u);
  EXPECT_TRUE(Cleaned());
  EXPECT_FALSE(FileExists(backups_ + "\\rb001.cab"));
  long long stamped = std::atoll(Setting("lastErase").c_str());
  EXPECT_GE(stamped, before);
  EXPECT_LE(stamped, before + 120);
}

TEST_F(ScheduledStart, RunNotDueDoesNothing) {
  SetSetting("di21", "1");
  SetSetting("when", "2");
  std::string recent = std::to_string(static_cast<long long>(std::time(nullptr)) - 86400);
  SetSetting("lastErase", recent);
  ASSERT_EQ(RunTidewisp("auto"), 0u);
  EXPECT_FALSE(Cleaned());
  EXPECT_EQ(Setting("lastErase"), recent);
}

TEST_F(ScheduledStart, WithoutAutoNothingRuns) {
  SetSetting("di21", "1");
  SetSetting("when", "0");
  SetSetting("lastErase", "0");
  ASSERT_EQ(RunTidewisp("AUTO"), 0u);
  EXPECT_FALSE(Cleaned());
}

}  // namespace
