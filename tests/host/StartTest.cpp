// Start-up: the command-line rule, the schedule check and the scheduled start.
#include <string>

#include "app/Globals.h"
#include "app/StartMode.h"
#include "app/SweepApp.h"
#include "tests/host/SimTest.h"

namespace {

const char kKey[] = "Software\\Marrowfield\\Tidewisp";
const std::string kNul(1, '\0');

struct LineCase {
  const char* line;
  bool scheduled;
};

class CommandLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(CommandLineTest, OnlyTheLastFourBytesCount) {
  EXPECT_EQ(IsScheduledStart(GetParam().line), GetParam().scheduled) << "[" << GetParam().line
                                                                     << "]";
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLineTest,
    ::testing::Values(LineCase{"tidewisp.exe auto", true}, LineCase{"tidewisp.exe -auto", true},
                      LineCase{"tidewisp.exe /auto", true},
                      LineCase{"tidewisp.exe auto auto", true},
                      LineCase{"\"C:\\Program Files\\Tidewisp\\tidewisp.exe\" auto", true},
                      LineCase{"C:\\x\\autoauto", true}, LineCase{"auto", true},
                      LineCase{"tidewisp.exe AUTO", false}, LineCase{"tidewisp.exe Auto", false},
                      LineCase{"tidewisp.exe auto ", false}, LineCase{"uto", false},
                      LineCase{"", false}, LineCase{"\"C:\\auto\"", false},
                      LineCase{"tidewisp.exe autox", false}));

struct DueCase {
  const char* name;
  int schedule;
  LONG when;
  long long secondsAgo;  // now - lastErase
  bool due;
};

void PrintTo(const DueCase& c, std::ostream* out) { *out << c.name; }

class RunIfDueTest : public SimTest, public ::testing::WithParamInterface<DueCase> {};

TEST_P(RunIfDueTest, RunsOnlyStrictlyPastTheInterval) {
  const DueCase& c = GetParam();
  const long long now = 1800000000;
  sim::SetTime(now);
  CSweepProfile profile;
  profile.di[kSchedule] = c.schedule;
  profile.when = c.when;
  profile.lastErase = static_cast<LONG>(now - c.secondsAgo);
  EXPECT_EQ(profile.RunIfDue(), c.due);
  EXPECT_EQ(profile.lastErase, c.due ? now : now - c.secondsAgo);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, RunIfDueTest,
    ::testing::Values(DueCase{"one_day_exactly", 1, 1, 86400, false},
                      DueCase{"one_day_and_a_second", 1, 1, 86401, true},
                      DueCase{"every_start_same_second", 1, 0, 0, false},
                      DueCase{"every_start_a_second_later", 1, 0, 1, true},
                      DueCase{"never_ran", 1, 999, 1800000000, true},
                      DueCase{"last_run_in_the_future", 1, 0, -5, false},
                      DueCase{"schedule_off", 0, 0, 1800000000, false},
                      DueCase{"huge_interval_does_not_wrap", 1, 30000, 86401, false},
                      DueCase{"negative_interval", 1, -1, 0, true}),
    [](const ::testing::TestParamInfo<DueCase>& info) { return std::string(info.param.name); });

class ScheduledStartTest : public SimTest {
 protected:
  void TearDown() override {
    SimTest::TearDown();
    g_pProfile = nullptr;
  }
  void Schedule(const char* schedule, const char* when, const char* lastErase) {
    sim::SetString(HKEY_CURRENT_USER, kKey, "di21", schedule);
    sim::SetString(HKEY_CURRENT_USER, kKey, "when", when);
    sim::SetString(HKEY_CURRENT_USER, kKey, "lastErase", lastErase);
    sim::SetString(HKEY_CURRENT_USER, kKey, "di1", "1");
    sim::MakeFile(std::string(sim::kTempDir) + "junk.tmp", "x");
  }
  bool Cleaned() { return !sim::Exists(std::string(sim::kTempDir) + "junk.tmp"); }
};

TEST_F(ScheduledStartTest, DueRunCleansSilentlyAndStoresItsTime) {
  sim::SetTime(1800000000);
  Schedule("1", "1", "1700000000");
  sim::SetCommandLine("C:\\tidewisp.exe auto");
  CSweepApp app;
  EXPECT_FALSE(app.InitInstance());
  EXPECT_TRUE(Cleaned());
  EXPECT_EQ(g_bSilent, 1);
  EXPECT_TRUE(view_.lines.empty());
  EXPECT_EQ(sim::ValueData(HKEY_CURRENT_USER, kKey, "lastErase"), "1800000000" + kNul);
  EXPECT_EQ(g_pProfile, nullptr) << "the profile is deleted again";
}

// Not due, off, or no settings at all (schedule off): nothing is cleaned,
// nothing saved.
TEST_F(ScheduledStartTest, NotDueOrOffChangesNothing) {
  for (const char* schedule : {"1", "0", ""}) {
    sim::Reset();
    sim::SetTime(1800000000);
    if (*schedule) Schedule(schedule, "1", *schedule == '1' ? "1799990000" : "0");
    sim::MakeFile(std::string(sim::kTempDir) + "junk.tmp", "x");
    RunScheduled();
    EXPECT_FALSE(Cleaned()) << "di21=" << schedule;
    EXPECT_TRUE(sim::CallsOf("RegCreateKeyExA").empty()) << "nothing is saved without a run";
  }
}

TEST_F(ScheduledStartTest, FailedSaveAfterARunShowsNoMessageBox) {
  Schedule("1", "0", "0");
  sim::FailCall("RegCreateKeyExA", ERROR_ACCESS_DENIED);
  RunScheduled();
  EXPECT_TRUE(Cleaned());
  EXPECT_TRUE(sim::MessageBoxes().empty());
}

TEST_F(ScheduledStartTest, InteractiveStartOpensNothingYet) {
  sim::SetCommandLine("\"C:\\Program Files\\Tidewisp\\tidewisp.exe\"");
  Schedule("1", "0", "0");
  CSweepApp app;
  EXPECT_FALSE(app.InitInstance());
  EXPECT_FALSE(Cleaned()) << "interactive starts never clean on their own";
  EXPECT_EQ(g_bSilent, 0);
}

}  // namespace
