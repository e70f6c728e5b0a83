// The erase primitives on real files. A hard link keeps a file's contents
// readable after a primitive deleted its name, so the zeros can be checked
// where they landed.
#include <cstdlib>

#include "engine/EraseCount.h"
#include "engine/Primitives.h"
#include "engine/Stop.h"
#include "engine/ZeroFill.h"
#include "tests/support/Win32Test.h"

namespace {

class Primitives : public ScratchTest {};

TEST_F(Primitives, WipeFileZeroesEveryByteThenDeletesTheName) {
  for (size_t size : {0, 1, 10000, 25000, 1048583}) {
    MakeFile("secret.txt", std::string(size, 'x'));
    ASSERT_TRUE(CreateHardLinkA(Path("seen.txt").c_str(), Path("secret.txt").c_str(), nullptr));
    WipeFile(Path("secret.txt"));
    EXPECT_FALSE(Has("secret.txt")) << size;
    EXPECT_TRUE(ReadAll(Path("seen.txt")) == std::string(size, '\0')) << size << " not all zero";
    DeleteFileA(Path("seen.txt").c_str());
  }
  WipeFile(Path("missing.txt"));
  EXPECT_FALSE(Has("missing.txt")) << "a missing file is never created";
}

// Another program's handle: write sharing lets the zeros in, but without
// delete sharing the name stays; without write sharing nothing changes, and
// delete sharing alone must not let an unwiped file go. Nor is a read-only
// file touched, but under Wine run as root, which ignores the Unix permission
// bits by which Wine models the attribute (wine-run.sh says). Every file that
// stays is counted as left.
TEST_F(Primitives, WipeFileOverwritesWhatAHolderSharesAndNoMore) {
  const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const bool root = getenv("TIDEWISP_WINE_ROOT") != nullptr;
  const std::string x(30000, 'x'), zeros(30000, 0);
  const struct {
    DWORD share, attributes;
    std::string after;
  } rows[] = {{FILE_SHARE_READ | FILE_SHARE_WRITE, 0, zeros},
              {FILE_SHARE_READ | FILE_SHARE_DELETE, 0, x},
              {all, FILE_ATTRIBUTE_READONLY, root ? zeros : x}};
  for (const auto& row : rows) {
    MakeFile("held.txt", x, row.attributes);
    HANDLE other =
        CreateFileA(Path("held.txt").c_str(), GENERIC_READ, row.share, 0, OPEN_EXISTING, 0, 0);
    g_eraseCount = {};
    EXPECT_EQ(WipeFile(Path("held.txt")), EraseResult::kLeft) << "share " << row.share;
    EXPECT_EQ(g_eraseCount.left, 1u);
    CloseHandle(other);
    EXPECT_TRUE(ReadAll(Path("held.txt")) == row.after)
        << "share " << row.share << " attributes " << row.attributes;
    SetFileAttributesA(Path("held.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

// A file another program holds stays and is counted: the run's tests show it.
TEST_F(Primitives, EraseFolderContentsErasesAllButDesktopIni) {
  MakeFile("top\\a.txt", "a", FILE_ATTRIBUTE_READONLY);
  MakeFile("top\\desktop.ini", "[top]", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  MakeFile("top\\sub\\Desktop.INI", "[sub]");
  MakeFile("top\\desktop.ini.bak");
  MakeFile("top\\ro\\c.txt", "c", FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA(Path("top\\ro").c_str(), FILE_ATTRIBUTE_READONLY);
  EraseFolderContents(Path("top"), 0, 0);
  for (const char* gone : {"top\\a.txt", "top\\desktop.ini.bak", "top\\ro"})
    EXPECT_FALSE(Has(gone)) << gone;
  for (const char* kept : {"top\\desktop.ini", "top\\sub\\Desktop.INI"})
    EXPECT_TRUE(Has(kept)) << kept;

  EraseFolderContents(Path("top"), 1, 0);
  EXPECT_FALSE(Has("top\\sub")) << "desktop.ini goes when asked";
  EXPECT_TRUE(Has("top"));
}

// Never through a link, on real links. Wine 8 lists a Unix link to a folder as
// FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, and RemoveDirectoryA
// on it fails while its target holds anything.
std::vector<std::string> g_visits;
void Record(const std::string& folder) { g_visits.push_back(folder); }

TEST_F(Primitives, NoEraserGoesThroughAFolderLink) {
  const std::vector<std::pair<std::string, std::string>> outside = {
      {"thesis.doc", "years of work"},
      {"index.dat", std::string(300, 'i')},
      {"cookies.txt", "outside cookie"},
      {"desktop.ini", "[outside]"}};
  MakeFile("tree\\own.txt", "mine");
  if (MakeLinkOut("tree\\Documents", outside).empty()) GTEST_SKIP() << "no folder link here";
  // As a starting folder (also with a trailing backslash, which Wine resolves
  // through the link), then inside a folder being walked or emptied.
  EraseFolderContents(Path("tree\\Documents"), 1, 1);
  EraseFolderContents(Path("tree\\Documents\\"), 1, 1);
  DeleteMatching(Path("tree\\Documents"), ".doc");
  WalkFolderTree(Path("tree\\Documents"), Record);
  WalkFolderTree(Path("tree"), Record);
  WalkFolderTree(Path("tree"), EraseNetscapeCookies);
  EraseFolderContents(Path("tree"), 1, 1);

  for (const auto& file : outside)
    EXPECT_EQ(ReadAll(outside_ + "\\" + file.first), file.second) << file.first;
  EXPECT_EQ(g_visits, std::vector<std::string>{Path("tree")});
  EXPECT_FALSE(Has("tree\\own.txt"));
}

// A write that fails (a disk error; a range another program locked, which
// Wine does not refuse): the wipe zeroes what it can and deletes nothing.
// Stop, asked for during a wipe: the file keeps its first chunk of zeros and
// the rest, is not deleted, and is not counted as refused. The erasers then
// leave what they had not reached, but inside a store's swap nothing stops.
int g_writes = 0;
BOOL WINAPI SecondWriteFails(HANDLE file, LPCVOID data, DWORD size, LPDWORD done, LPOVERLAPPED) {
  return ++g_writes == 2 ? FALSE : WriteFile(file, data, size, done, nullptr);
}
BOOL WINAPI StopAfterTheFirstWrite(HANDLE file, LPCVOID data, DWORD size, LPDWORD done,
                                   LPOVERLAPPED) {
  RequestStop();
  return WriteFile(file, data, size, done, nullptr);
}

TEST_F(Primitives, AWipeCutShortDeletesNothingAndAStoppedRunFinishesOnlyASwap) {
  const std::string x(10000, 'x'), zeros(10000, 0);
  for (auto write : {SecondWriteFails, StopAfterTheFirstWrite}) {
    bool stop = write == StopAfterTheFirstWrite;
    MakeFile("f.txt", x + x + x);
    g_zeroFillWrite = write, g_eraseCount = {};
    EXPECT_EQ(WipeFile(Path("f.txt")), stop ? EraseResult::kStopped : EraseResult::kLeft);
    g_zeroFillWrite = WriteFile;
    EXPECT_EQ(g_eraseCount.left, stop ? 0u : 1u);
    EXPECT_TRUE(ReadAll(Path("f.txt")) == zeros + x + (stop ? x : zeros));
  }
  MakeFile("tree\\a.log");
  MakeFile("tree\\sub\\cookies.txt");
  EraseFolderContents(Path("tree"), 1, 0);
  DeleteMatching(Path("tree"), ".log");
  WalkFolderTree(Path("tree"), EraseNetscapeCookies);
  EXPECT_TRUE(Has("tree\\a.log") && Has("tree\\sub\\cookies.txt"));
  {
    CUnstoppable swap;
    EXPECT_EQ(WipeFile(Path("f.txt")), EraseResult::kErased);
  }
  ClearStop();
}

}  // namespace
