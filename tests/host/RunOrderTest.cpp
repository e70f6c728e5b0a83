// The cleaning run's order, flag tests and progress lines, one table row per
// flag and for the combinations whose lines depend on each other.
#include "profile/SweepProfile.h"
#include "tests/host/SimTest.h"

namespace {

const char kAolKey[] = "SOFTWARE\\America Online\\America Online\\CurrentVersion";

struct RunCase {
  const char* name;
  std::vector<int> flags;
  bool aolInstalled;
  Names expected;  // between "Start cleaning..." and "Cleaning complete."
};

void PrintTo(const RunCase& c, std::ostream* out) { *out << c.name; }

class RunOrderTest : public SimTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(RunOrderTest, LogsExactlyTheLinesOfTheSelectedSteps) {
  const RunCase& c = GetParam();
  if (c.aolInstalled) {
    sim::MakeDir("C:\\AOL");
    sim::SetString(HKEY_LOCAL_MACHINE, kAolKey, "AppPath", "C:\\AOL");
  }
  CSweepProfile profile;
  for (int flag : c.flags) profile.di[flag] = 1;
  profile.Run(kRunAllMask);

  Names expected{"Start cleaning..."};
  expected.insert(expected.end(), c.expected.begin(), c.expected.end());
  expected.push_back("Cleaning complete.");
  EXPECT_EQ(view_.lines, expected);
}

const char* kNetscape[] = {"Erasing Netscape Navigator Cache...",
                           "Erasing Netscape Navigator History...",
                           "Erasing Netscape Navigator Cookies...",
                           "Erasing Netscape Navigator sent and deleted e-mails..."};

INSTANTIATE_TEST_SUITE_P(
    Flags, RunOrderTest,
    ::testing::Values(
        RunCase{"nothing", {}, false, {}},
        RunCase{"di0_alone", {0}, false, {}},
        RunCase{"di1", {1}, false, {"Erasing Windows Temporary Folder..."}},
        RunCase{"di2", {2}, false, {"Erasing Windows Recent Files..."}},
        RunCase{"di3", {3}, false, {"Erasing My Documents Folder..."}},
        RunCase{"di4_no_step", {4}, false, {}},
        RunCase{"di5", {5}, false, {"Erasing Windows Registry Backups"}},
        RunCase{"di6", {6}, false, {"Erasing the Clipboard..."}},
        RunCase{"di7", {7}, false, {"Erasing Internet Explorer Cookies..."}},
        RunCase{"di8", {8}, false, {"Erasing Internet Explorer autocomplete sites..."}},
        RunCase{"di9", {9}, false, {"Erasing Internet Explorer Cache..."}},
        RunCase{"di10", {10}, false, {"Erasing Internet Explorer Favorites..."}},
        RunCase{"di11", {11}, false, {"Erasing Internet Explorer History..."}},
        RunCase{"di12", {12}, false, {"Erasing Media Player History..."}},
        RunCase{"di13",
                {13},
                false,
                {"Erasing Media Player Playlists...", "Erasing Media Player Keys..."}},
        RunCase{"di14", {14}, false, {kNetscape[0]}},
        RunCase{"di15", {15}, false, {kNetscape[1]}},
        RunCase{"di16", {16}, false, {kNetscape[2]}},
        RunCase{"di17", {17}, false, {kNetscape[3]}},
        RunCase{"di18_no_step", {18}, false, {}},
        RunCase{"di19_no_aol", {19}, false, {}},
        RunCase{"di19_aol", {19}, true, {"Erasing AOL's GO TO History ..."}},
        RunCase{"di20_no_aol", {20}, false, {}},
        RunCase{"di20_aol", {20}, true, {"Erasing AOL's Cache ..."}},
        RunCase{"di21_schedule_only", {21}, false, {}},
        RunCase{"di22", {22}, false, {"Erasing Yahoo! Messenger logs ..."}},
        RunCase{"di23", {23}, false, {"Erasing MSN Received files ..."}},
        RunCase{"di24", {24}, false, {"Erasing ICQ logs ..."}},
        RunCase{"di25_aol", {25}, true, {"Erasing AIM logs ..."}},
        RunCase{"netscape_all_in_order",
                {17, 15, 14, 16},
                false,
                {kNetscape[0], kNetscape[1], kNetscape[2], kNetscape[3]}},
        RunCase{"aol_both_then_ie_cache",
                {9, 19, 20},
                true,
                {"Erasing AOL's GO TO History ...", "Erasing AOL's Cache ...",
                 "Erasing Internet Explorer Cache..."}},
        RunCase{"every_flag",
                {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                 22, 23, 24, 25},
                true,
                {kNetscape[0],
                 kNetscape[1],
                 kNetscape[2],
                 kNetscape[3],
                 "Erasing Internet Explorer Cookies...",
                 "Erasing Internet Explorer autocomplete sites...",
                 "Erasing AOL's GO TO History ...",
                 "Erasing AOL's Cache ...",
                 "Erasing Internet Explorer Cache...",
                 "Erasing Internet Explorer Favorites...",
                 "Erasing Internet Explorer History...",
                 "Erasing Windows Temporary Folder...",
                 "Erasing Windows Recent Files...",
                 "Erasing My Documents Folder...",
                 "Erasing Windows Registry Backups",
                 "Erasing the Clipboard...",
                 "Erasing Media Player History...",
                 "Erasing Media Player Playlists...",
                 "Erasing Media Player Keys...",
                 "Erasing Yahoo! Messenger logs ...",
                 "Erasing ICQ logs ...",
                 "Erasing AIM logs ...",
                 "Erasing MSN Received files ..."}}),
    [](const ::testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

class RunTest : public SimTest {};

TEST_F(RunTest, NoApplicationDataMeansNoNetscapeLineAtAll) {
  sim::RemoveSpecialFolder(CSIDL_APPDATA);
  CSweepProfile profile;
  for (int flag : {14, 15, 16, 17}) profile.di[flag] = 1;
  profile.Run(kRunAllMask);
  EXPECT_EQ(view_.lines, (Names{"Start cleaning...", "Cleaning complete."}));
}

TEST_F(RunTest, StampsLastEraseWithTheClockAlsoWhenSilent) {
  sim::SetTime(1800000000);
  CSweepProfile profile;
  profile.di[kTempFolders] = 1;
  sim::MakeFile(std::string(sim::kTempDir) + "junk.tmp", "x");
  g_bSilent = 1;
  profile.Run(kRunAllMask);
  EXPECT_EQ(profile.lastErase, 1800000000);
  EXPECT_TRUE(view_.lines.empty()) << "a silent run logs nothing";
  EXPECT_FALSE(sim::Exists(std::string(sim::kTempDir) + "junk.tmp"))
      << "and erases exactly the same";
}

TEST_F(RunTest, NoViewNoCrash) {
  g_pRunView = nullptr;
  CSweepProfile profile;
  profile.di[kClipboard] = 1;
  profile.Run(kRunAllMask);
  EXPECT_EQ(profile.lastErase, sim::kDefaultTime);
}

}  // namespace
