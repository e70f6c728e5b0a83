// The two decisions of a start: scheduled or interactive, and whether a
// scheduled start cleans.
#include <gtest/gtest.h>

#include "app/Schedule.h"
#include "app/StartMode.h"

namespace {

struct LineRow {
  const char* line;
  bool scheduled;
};
void PrintTo(const LineRow& row, std::ostream* out) { *out << "[" << row.line << "]"; }


class CommandLine : public ::testing::TestWithParam<LineRow> {};

TEST_P(CommandLine, OnlyTheLastFourBytesCount) {
  EXPECT_EQ(IsScheduledStart(GetParam().line), GetParam().scheduled);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLine,
    ::testing::Values(LineRow{"tidewisp.exe auto", true}, LineRow{"tidewisp.exe -auto", true},
                      LineRow{"tidewisp.exe /auto", true}, LineRow{"tidewisp.exe auto auto", true},
                      LineRow{"\"C:\\Program Files\\Tidewisp\\tidewisp.exe\" auto", true},
                      LineRow{"C:\\x\\autoauto", true}, LineRow{"auto", true},
                      LineRow{"tidewisp.exe AUTO", false}, LineRow{"tidewisp.exe Auto", false},
                      LineRow{"tidewisp.exe auto ", false}, LineRow{"uto", false},
                      LineRow{"", false}, LineRow{"\"C:\\auto\"", false},
                      LineRow{"tidewisp.exe autox", false}));

const LONGLONG kNow = 2000000000;

struct DueRow {
  const char* what;
  int scheduleOn;
  LONG when;
  LONGLONG lastErase;
  bool due;
  LONGLONG now = kNow;
};
void PrintTo(const DueRow& row, std::ostream* out) { *out << row.what; }


class Due : public ::testing::TestWithParam<DueRow> {};

TEST_P(Due, OnlyStrictlyPastTheInterval) {
  const DueRow& row = GetParam();
  EXPECT_EQ(IsDue(row.scheduleOn, row.when, row.lastErase, row.now), row.due) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, Due,
    ::testing::Values(DueRow{"one day exactly", 1, 1, kNow - 86400, false},
                      DueRow{"one day and a second", 1, 1, kNow - 86401, true},
                      DueRow{"every start, same second", 1, 0, kNow, false},
                      DueRow{"every start, a second later", 1, 0, kNow - 1, true},
                      DueRow{"never ran", 1, 999, 0, true},
                      DueRow{"last run in the future", 1, 0, kNow + 5, false},
                      DueRow{"schedule off", 0, 0, 0, false},
                      DueRow{"a huge interval does not wrap", 1, 30000, kNow - 86401, false},
                      DueRow{"after 2038", 1, 1, 4102444800 - 86401, true, 4102444800},
                      DueRow{"stamp at the far past", 1, 999, INT64_MIN, true}));

}  // namespace
