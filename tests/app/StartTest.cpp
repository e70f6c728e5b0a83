// The two decisions of a start: scheduled or interactive, and whether a
// scheduled start cleans.
#include <gtest/gtest.h>

#include "app/Schedule.h"
#include "app/StartMode.h"
#include "profile/SweepProfile.h"

namespace {

TEST(Start, OnlyTheLastFourBytesOfTheCommandLineCount) {
  // clang-format off
  const std::pair<const char*, bool> rows[] = {
      {"tidewisp.exe auto", true}, {"tidewisp.exe -auto", true}, {"tidewisp.exe /auto", true},
      {"tidewisp.exe auto auto", true}, {"\"C:\\Program Files\\Tidewisp\\tidewisp.exe\" auto", true},
      {"C:\\x\\autoauto", true}, {"auto", true}, {"tidewisp.exe AUTO", false},
      {"tidewisp.exe Auto", false}, {"tidewisp.exe auto ", false}, {"uto", false}, {"", false},
      {"\"C:\\auto\"", false}, {"tidewisp.exe autox", false}};
  // clang-format on
  for (const auto& [line, scheduled] : rows)
    EXPECT_EQ(IsScheduledStart(line), scheduled) << "[" << line << "]";
}

TEST(Start, AScheduledRunIsDueOnlyStrictlyPastTheInterval) {
  const LONGLONG now = 2000000000;
  const struct {
    const char* what;
    int scheduleOn;
    LONG when;
    LONGLONG lastErase;
    bool due;
  } rows[] = {{"one day exactly", 1, 1, now - 86400, false},
              {"one day and a second", 1, 1, now - 86401, true},
              {"every start, same second", 1, 0, now, false},
              {"every start, a second later", 1, 0, now - 1, true},
              {"never ran", 1, 999, 0, true},
              {"last run in the future", 1, 0, now + 5, false},
              {"schedule off", 0, 0, 0, false},
              {"a huge interval does not wrap", 1, 30000, now - 86401, false},
              {"a stamp at the far past does not wrap", 1, 999, INT64_MIN, true}};
  for (const auto& row : rows)
    EXPECT_EQ(IsDue(row.scheduleOn, row.when, row.lastErase, now), row.due) << row.what;
}

// What RunIfDue hands the check: the schedule switch above all. Nothing is
// ticked and the lists are empty, so a run erases nothing; its stamp shows it.
TEST(Start, RunIfDueRunsOnlyWhenTheScheduleIsOn) {
  for (int on : {0, 1}) {
    CSweepProfile profile;
    profile.di[kSchedule] = on, profile.when = 0, profile.lastErase = 0;
    EXPECT_EQ(profile.RunIfDue(), on == 1) << "schedule " << on;
    EXPECT_EQ(profile.lastErase != 0, on == 1) << "schedule " << on;
  }
}

}  // namespace
