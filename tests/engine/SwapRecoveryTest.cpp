// A Cookies, Cache and History run over the real profiles, killed right after
// each step of a swap (Chrome's Default\Preferences, Firefox's
// serviceworker.txt, Chrome's Local Storage LevelDB), then run again: the
// profiles end exactly as one uninterrupted run leaves them, and no file of
// this program's is left. The killed run is this program again, started as a
// child, which the seams end with TerminateProcess at the chosen step: no
// destructor, no clean-up, as a kill ends it. Each row leaves its cleaned
// copy in C:\tw-cleaned\<row> for tests/browsers/reopen-check.sh.
#include <cstring>

#include "engine/stores/LevelDb.h"
#include "engine/stores/WholeFile.h"
#include "profile/SweepProfile.h"
#include "tests/support/BrowserData.h"
#include "tests/support/Process.h"
#include "tests/support/Win32Test.h"

namespace {

enum Swap { kPrefs, kWorkers, kLevelDb };
constexpr int kBetweenRenames = -1, kReplaceFails = -2;  // ReplaceFileA's two renames
struct Row {
  const char* name;
  Swap swap;
  int step;          // the WholeFileStep or LevelDbStep the run is killed after
  const char* left;  // what is at and beside the file (F) once the first run ended
  std::string (*browser)(std::string) = nullptr;  // the browser rewrites the file meanwhile
};
void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

std::string AddSetting(std::string json) { return json.insert(json.size() - 1, ",\"tw\":1"); }
const Row kRows[] = {
    {"killed-prefs-fresh", kPrefs, 0, "F new"},
    {"killed-prefs-journal", kPrefs, 1, "F new swap"},
    {"killed-prefs-renames", kPrefs, kBetweenRenames, "new old swap"},
    {"killed-prefs-swapped", kPrefs, 2, "F old swap"},
    {"killed-prefs-wiped", kPrefs, 3, "F swap"},
    {"killed-prefs-browser", kPrefs, 1, "F new swap", AddSetting},
    {"failed-prefs-replace", kPrefs, kReplaceFails, "F"},
    {"killed-workers-fresh", kWorkers, 0, "F new"},
    {"killed-workers-journal", kWorkers, 1, "F new swap"},
    {"killed-workers-renames", kWorkers, kBetweenRenames, "new old swap"},
    {"killed-workers-swapped", kWorkers, 2, "F old swap"},
    {"killed-workers-wiped", kWorkers, 3, "F swap"},
    {"killed-leveldb-copied", kLevelDb, 0, "F copy"},
    {"killed-leveldb-fresh", kLevelDb, 1, "F copy new"},
    {"killed-leveldb-journal", kLevelDb, 2, "F copy new swap"},
    {"killed-leveldb-renames", kLevelDb, 3, "copy new old swap"},
    {"killed-leveldb-swapped", kLevelDb, 4, "F copy old swap"},
    {"killed-leveldb-wiped", kLevelDb, 5, "F copy swap"},
    {"killed-leveldb-copy-wiped", kLevelDb, 6, "F swap"},
};

const std::string kTargets[] = {kChrome + "\\Default\\Preferences", kRel + "\\serviceworker.txt",
                                kChrome + "\\Default\\Local Storage\\leveldb"};  // by Swap
std::string Left(const std::string& target) {
  std::string left;
  for (std::string name : {"", "copy", "new", "old", "swap"})
    if (Exists(target + (name.empty() ? "" : ".tidewisp-" + name)))
      left += (left.empty() ? "" : " ") + (name.empty() ? "F" : name);
  return left;
}
void RunBoxes(std::initializer_list<TargetFlag> flags = {kIeCookies, kIeCache, kIeHistory}) {
  CSweepProfile profile;
  for (TargetFlag flag : flags) profile.di[flag] = 1;
  profile.Run(kRunAllMask);
}
// An SQLite file compacted once more by the second run differs only in its
// header's counters: the change counter, the schema cookie, version-valid-for.
std::string Content(std::string bytes) {
  if (bytes.size() >= 100 && bytes.compare(0, 16, std::string("SQLite format 3", 16)) == 0)
    for (size_t at : {24, 40, 92}) bytes.replace(at, 4, 4, '\0');
  return bytes;
}
Files Snapshot() {
  Files files;
  for (const std::string& root : kRoots) Tree(root, "", &files);
  return files;
}

// The killed run's seams: the first swap of the row's file ends the process.
const Row* g_row;
bool IsTarget(const std::string& path) {
  return lstrcmpiA(path.c_str(), kTargets[g_row->swap].c_str()) == 0;
}
void KillAt(int step, const std::string& path) {
  if (step == g_row->step && IsTarget(path)) TerminateProcess(GetCurrentProcess(), 99);
}
BOOL WINAPI Replace(LPCSTR file, LPCSTR fresh, LPCSTR old, DWORD flags, LPVOID, LPVOID) {
  if (g_row->step >= 0 || !IsTarget(file)) return ReplaceFileA(file, fresh, old, flags, 0, 0);
  MoveFileA(file, old);
  KillAt(kBetweenRenames, file);
  SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
  return FALSE;
}
TEST(SwapRecovery, DISABLED_KilledRun) {
  char name[64] = {};
  GetEnvironmentVariableA("TW_KILLED_ROW", name, sizeof name);
  for (const Row& row : kRows) g_row = std::strcmp(row.name, name) ? g_row : &row;
  ASSERT_TRUE(g_row) << name;
  g_wholeFileStep = [](WholeFileStep step, const std::string& path) { KillAt(int(step), path); };
  g_levelDbStop = [](LevelDbStep step, const std::string& folder) {
    return KillAt(g_row->swap == kLevelDb ? int(step) : -3, folder), false;
  };
  g_replaceFile = Replace;
  RunBoxes();
}

class SwapRecovery : public ::testing::TestWithParam<Row> {
 protected:
  void SetUp() override { PlaceBrowserProfiles(); }
  void TearDown() override { RemoveBrowserProfiles(); }
};

TEST_P(SwapRecovery, ARunKilledAtAnyStepOfASwapIsFinishedByTheNext) {
  const Row& row = GetParam();
  static const Files reference = [] {  // what one uninterrupted run leaves
    RunBoxes();
    Files files = Snapshot();
    RemoveBrowserProfiles();
    PlaceBrowserProfiles();
    return files;
  }();
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  SetEnvironmentVariableA("TW_KILLED_ROW", row.name);
  DWORD code = 0;
  ASSERT_TRUE(RunAndWait(std::string("\"") + exe + "\" --gtest_brief=1 --gtest_filter=" +
                             "SwapRecovery.DISABLED_KilledRun --gtest_also_run_disabled_tests",
                         300000, &code));
  EXPECT_EQ(code, row.step == kReplaceFails ? 0u : 99u);
  std::string target = kTargets[row.swap];
  EXPECT_EQ(Left(target), row.left) << "what the first run left";
  EXPECT_TRUE(!row.browser || WriteAll(target, row.browser(ReadAll(target))));
  // A run of Cache alone only puts the file right: the new copy wins where the
  // journal says it is whole, unless the browser wrote the file since.
  std::string fresh = target + ".tidewisp-new", now = ReadAll(target);
  bool wins = Exists(target + ".tidewisp-swap") && !row.browser;
  std::string finished = ReadAll(Exists(fresh) ? fresh : target);
  RunBoxes({kIeCache});
  EXPECT_TRUE(row.swap == kLevelDb || ReadAll(target) == (wins ? finished : now))
      << "recovered as " << ReadAll(target).substr(0, 40) << "...";

  RunBoxes();
  Files after = Snapshot();
  for (const auto& [path, bytes] : reference) {
    std::string expected = row.browser && path == target ? row.browser(bytes) : bytes;
    EXPECT_TRUE(after.count(path) && Content(after[path]) == Content(expected))
        << path << " differs";
  }
  // A kill while a connection was open leaves SQLite's log, which is its own
  // (it may hold committed pages) and stays; the second run empties it.
  for (const auto& [path, bytes] : after)
    EXPECT_TRUE(reference.count(path) || (path.rfind("-wal") == path.size() - 4 && bytes.empty()))
        << path << " appeared";
  std::string cleaned = std::string("C:\\tw-cleaned\\") + row.name;
  RemoveTree(cleaned);
  if (row.swap == kWorkers)
    Tree(kRel, cleaned + "\\firefox\\" + kProfile);
  else
    Tree(kChrome, cleaned + "\\chromium\\User Data");
  EXPECT_TRUE(WriteAll(cleaned + "\\boxes", "Cookies\nCache\nHistory\n"));
}

INSTANTIATE_TEST_SUITE_P(Rows, SwapRecovery, ::testing::ValuesIn(kRows));

}  // namespace
