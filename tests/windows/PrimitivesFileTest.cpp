// The erase primitives on real files. Hard links (CreateHardLinkA) keep a
// file's contents readable after the primitive deleted its name, so the
// zeros can be checked where they landed.
#include <algorithm>
#include <string>
#include <vector>

#include "engine/Primitives.h"
#include "tests/windows/PrimitivesFixture.h"

namespace {

std::string Letters(size_t size) {
  std::string text(size, '\0');
  for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + i % 26);
  return text;
}

class PrimitivesFile : public PrimitivesTest {
 protected:
  // A second name for the file, kept outside the folder being erased.
  void Watch(const std::string& name, const std::string& as) {
    ASSERT_TRUE(CreateHardLinkA(Path(as).c_str(), Path(name).c_str(), nullptr))
        << "CreateHardLinkA error " << GetLastError();
  }
};

TEST_F(PrimitivesFile, WipeFileZeroesEveryByteThenDeletesTheName) {
  for (size_t size : {size_t{0}, size_t{1}, size_t{10000}, size_t{25000}, size_t{1048583}}) {
    SCOPED_TRACE(size);
    MakeFile("secret.txt", Letters(size));
    Watch("secret.txt", "seen.txt");

    WipeFile(Path("secret.txt"));

    EXPECT_FALSE(Exists("secret.txt"));
    EXPECT_TRUE(ReadAll(Path("seen.txt")) == std::string(size, '\0'))
        << "seen.txt holds " << ReadAll(Path("seen.txt")).size() << " bytes, not all zero";
    DeleteFileA(Path("seen.txt").c_str());
  }
  WipeFile(Path("missing.txt"));
  EXPECT_FALSE(Exists("missing.txt")) << "a missing file is never created";
}

TEST_F(PrimitivesFile, WipeFileLeavesAReadOnlyFileAlone) {
  if (WineAsRoot()) {
    // Observed under Wine 8 as root: the read-only file opens for writing
    // (root ignores the permission bits Wine uses for the attribute), so it
    // is zeroed; DeleteFileA still refuses it.
    GTEST_SKIP() << "Wine as root opens read-only files for writing";
  }
  MakeFile("ro.txt", "keep me", FILE_ATTRIBUTE_READONLY);

  WipeFile(Path("ro.txt"));

  EXPECT_EQ(ReadAll(Path("ro.txt")), "keep me");
  SetFileAttributesA(Path("ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Another program's handle: write sharing lets the zeros in, but without
// delete sharing the name stays; without write sharing nothing changes.
TEST_F(PrimitivesFile, WipeFileOverwritesWhatAHolderSharesAndNoMore) {
  for (DWORD share : {FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_SHARE_READ}) {
    SCOPED_TRACE(share);
    MakeFile("held.txt", Letters(30000));
    HANDLE other = CreateFileA(Path("held.txt").c_str(), GENERIC_READ, share, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE) << GetLastError();

    WipeFile(Path("held.txt"));

    EXPECT_TRUE(Exists("held.txt"));
    CloseHandle(other);
    bool zeroed = (share & FILE_SHARE_WRITE) != 0;
    EXPECT_TRUE(ReadAll(Path("held.txt")) == (zeroed ? std::string(30000, '\0') : Letters(30000)));
  }
}

// An index.dat keeps its 64-byte header, and one a browser holds open with
// write but not delete sharing is overwritten all the same, and stays.
TEST_F(PrimitivesFile, IndexDatKeepsItsHeaderAndTheRestIsZeroed) {
  MakeDir("cache");
  MakeDir("cache\\held");
  MakeFile("cache\\Index.DAT", Letters(25064));
  Watch("cache\\Index.DAT", "seen.dat");
  MakeFile("cache\\held\\index.dat", Letters(1000));
  HANDLE browser =
      CreateFileA(Path("cache\\held\\index.dat").c_str(), GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(browser, INVALID_HANDLE_VALUE) << GetLastError();

  EraseFolderContents(Path("cache"), 0, 1);

  EXPECT_FALSE(Exists("cache\\Index.DAT"));
  EXPECT_TRUE(ReadAll(Path("seen.dat")) == Letters(64) + std::string(25000, '\0'))
      << "seen.dat: " << ReadAll(Path("seen.dat")).substr(0, 80);
  EXPECT_TRUE(Exists("cache\\held\\index.dat"));
  CloseHandle(browser);
  EXPECT_TRUE(ReadAll(Path("cache\\held\\index.dat")) == Letters(64) + std::string(936, '\0'));
}

TEST_F(PrimitivesFile, EraseFolderContentsErasesAllButSkippedAndLockedEntries) {
  MakeDir("top");
  MakeFile("top\\a.txt", "a", FILE_ATTRIBUTE_READONLY);
  MakeFile("top\\desktop.ini", "[top]", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  MakeDir("top\\sub");
  MakeFile("top\\sub\\b.txt", "b");
  MakeFile("top\\sub\\Desktop.INI", "[sub]");
  MakeDir("top\\ro", FILE_ATTRIBUTE_READONLY);
  MakeFile("top\\ro\\c.txt", "c", FILE_ATTRIBUTE_READONLY);
  MakeDir("top\\held");
  MakeFile("top\\held\\open.txt", "open");
  MakeFile("top\\held\\free.txt", "free");
  HANDLE other =
      CreateFileA(Path("top\\held\\open.txt").c_str(), GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE) << GetLastError();

  EraseFolderContents(Path("top"), 0, 0);

  CloseHandle(other);
  EXPECT_TRUE(Exists("top"));
  EXPECT_FALSE(Exists("top\\a.txt"));
  EXPECT_EQ(ReadAll(Path("top\\desktop.ini")), "[top]");
  EXPECT_FALSE(Exists("top\\sub\\b.txt"));
  EXPECT_EQ(ReadAll(Path("top\\sub\\Desktop.INI")), "[sub]");
  EXPECT_FALSE(Exists("top\\ro"));
  EXPECT_EQ(ReadAll(Path("top\\held\\open.txt")), "open");
  EXPECT_FALSE(Exists("top\\held\\free.txt"));

  EraseFolderContents(Path("top"), 1, 0);

  EXPECT_EQ(Listing(Path("top\\*.*")), (std::vector<std::string>{".", ".."}));
}

TEST_F(PrimitivesFile, DeleteMatchingDeletesMatchingFilesOfTheFolderOnly) {
  MakeDir("aim");
  MakeDir("aim\\sub");
  MakeFile("aim\\x.tmp");
  MakeFile("aim\\y.TMP");
  MakeFile("aim\\keep.txt");
  MakeFile("aim\\sub\\z.tmp");

  DeleteMatching(Path("aim"), ".tmp");

  EXPECT_FALSE(Exists("aim\\x.tmp"));
  EXPECT_FALSE(Exists("aim\\y.TMP"));
  EXPECT_TRUE(Exists("aim\\keep.txt"));
  EXPECT_TRUE(Exists("aim\\sub\\z.tmp"));
}

// ---- the walker ------------------------------------------------------------------------

std::vector<std::string> g_visits;

void Record(const std::string& folder) { g_visits.push_back(folder); }

TEST_F(PrimitivesFile, WalkVisitsEveryFolderParentsFirst) {
  // Wine lists in the Unix directory's order, not NTFS's sorted one, so only
  // the pre-order itself is checked.
  for (const char* name : {"R", "R\\a", "R\\a\\b", "R\\z"}) MakeDir(name);
  MakeFile("R\\a\\file.txt");
  g_visits.clear();

  WalkFolderTree(Path("R"), Record);

  ASSERT_EQ(g_visits.size(), 4u);
  auto at = [&](const char* name) {
    return std::find(g_visits.begin(), g_visits.end(), Path(name)) - g_visits.begin();
  };
  EXPECT_EQ(at("R"), 0);
  EXPECT_LT(at("R\\a"), at("R\\a\\b"));
  EXPECT_LT(at("R\\a\\b"), 4);
  EXPECT_LT(at("R\\z"), 4);
}

TEST_F(PrimitivesFile, AReadOnlyHistoryFileGoesOnTheSecondWalk) {
  MakeDir("R");
  MakeDir("R\\p");
  MakeFile("R\\p\\history.dat", "h", FILE_ATTRIBUTE_READONLY);
  MakeFile("R\\p\\cookies.txt", "c");

  WalkFolderTree(Path("R"), EraseNetscapeHistory);
  WalkFolderTree(Path("R"), EraseNetscapeCookies);

  // DeleteFileA refuses a read-only file under Wine as root too.
  EXPECT_TRUE(Exists("R\\p\\history.dat"));
  EXPECT_FALSE(GetFileAttributesA(Path("R\\p\\history.dat").c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(Exists("R\\p\\cookies.txt"));

  WalkFolderTree(Path("R"), EraseNetscapeHistory);

  EXPECT_FALSE(Exists("R\\p\\history.dat"));
}

}  // namespace
