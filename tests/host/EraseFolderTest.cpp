// EraseFolderContents and OverwriteIndexDat on the simulated machine.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Primitives.h"
#include "tests/host/EraseTestSupport.h"
#include "tests/host/SimTest.h"

namespace {

using Paths = std::vector<std::string>;

const char kRoot[] = "C:\\R";

class EraseFolderTest : public SimTest {};

// ---- desktop.ini --------------------------------------------------------------------

struct DesktopIniCase {
  const char* name;
  int eraseDesktopIni;
  Paths left;
};

void PrintTo(const DesktopIniCase& c, std::ostream* out) { *out << c.name; }

class DesktopIniTest : public SimTest, public ::testing::WithParamInterface<DesktopIniCase> {};

TEST_P(DesktopIniTest, KeepsOrErasesEveryDesktopIniInTheTree) {
  sim::MakeFile("C:\\R\\a.txt", "a");
  sim::MakeFile("C:\\R\\desktop.ini", "[top]", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  sim::MakeFile("C:\\R\\sub\\b.txt", "b");
  sim::MakeFile("C:\\R\\sub\\Desktop.INI", "[sub]");
  sim::MakeFile("C:\\R\\DESKTOP.INI.bak", "not one");
  sim::MakeFile("C:\\R\\desktop.ini2\\c.txt", "c");  // a folder whose name only starts so

  EraseFolderContents(kRoot, GetParam().eraseDesktopIni, 0);

  EXPECT_EQ(sim::Tree(kRoot), GetParam().left);
  EXPECT_TRUE(sim::IsDir(kRoot));
}

INSTANTIATE_TEST_SUITE_P(
    Both, DesktopIniTest,
    ::testing::Values(DesktopIniCase{"kept", 0,
                                     {"C:\\R\\desktop.ini", "C:\\R\\sub",
                                      "C:\\R\\sub\\Desktop.INI"}},
                      DesktopIniCase{"erased", 1, {}}));

TEST_F(EraseFolderTest, LeavesASkippedDesktopIniUnchangedEvenWhenReadOnly) {
  const DWORD attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
  sim::MakeFile("C:\\R\\desktop.ini", "[x]", attributes);
  sim::MakeFile("C:\\R\\x.txt");

  EraseFolderContents(kRoot, 0, 0);

  EXPECT_EQ(sim::Attributes("C:\\R\\desktop.ini"), attributes);
  EXPECT_EQ(sim::Contents("C:\\R\\desktop.ini"), "[x]");
  EXPECT_TRUE(sim::CallsOf("SetFileAttributesA").empty());
}

TEST_F(EraseFolderTest, SkipsAFolderNamedDesktopIniWithEverythingInIt) {
  sim::MakeFile("C:\\R\\Desktop.ini\\inner.txt", "kept");

  EraseFolderContents(kRoot, 0, 0);

  EXPECT_EQ(sim::Tree(kRoot), (Paths{"C:\\R\\Desktop.ini", "C:\\R\\Desktop.ini\\inner.txt"}));
}

// ---- read-only bits --------------------------------------------------------------------

TEST_F(EraseFolderTest, ErasesReadOnlyFilesAndFolders) {
  sim::MakeDir("C:\\R\\ro", FILE_ATTRIBUTE_READONLY);
  sim::MakeFile("C:\\R\\ro\\f.txt", "x", FILE_ATTRIBUTE_READONLY);
  sim::MakeFile("C:\\R\\g.txt", "y", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);

  EraseFolderContents(kRoot, 0, 0);

  EXPECT_EQ(sim::Tree(kRoot), Paths{});
}

TEST_F(EraseFolderTest, ClearsOnlyTheReadOnlyBitAndOnlyWhereItIsSet) {
  sim::MakeFile("C:\\R\\plain.txt");
  sim::MakeFile("C:\\R\\ro.txt", "", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);

  EraseFolderContents(kRoot, 0, 0);

  std::vector<sim::Call> sets = sim::CallsOf("SetFileAttributesA");
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0].subject, "C:\\R\\ro.txt");
  EXPECT_EQ(sets[0].flags & ~static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(EraseFolderTest, NeverTouchesTheStartingFolderItself) {
  sim::MakeDir(kRoot, FILE_ATTRIBUTE_READONLY);
  sim::MakeFile("C:\\R\\a.txt");

  EraseFolderContents(kRoot, 1, 1);

  EXPECT_TRUE(sim::IsDir(kRoot));
  EXPECT_TRUE(sim::Attributes(kRoot) & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(sim::Tree(kRoot), Paths{});
}

TEST(ClearReadOnlyTest, WritesNothingWhenTheAttributesCannotBeRead) {
  // INVALID_FILE_ATTRIBUTES has the read-only bit set too; writing it back
  // less that bit would make the file hidden, system, temporary...
  sim::Reset();
  sim::MakeFile("C:\\f.txt", "", FILE_ATTRIBUTE_READONLY);
  sim::FailCall("GetFileAttributesA", ERROR_ACCESS_DENIED, "C:\\f.txt");

  ClearReadOnly("C:\\f.txt");

  EXPECT_TRUE(sim::CallsOf("SetFileAttributesA").empty());
}

// ---- files that stay -------------------------------------------------------------------

TEST_F(EraseFolderTest, KeepsALockedFileAndTheFoldersAboveItAndErasesTheRest) {
  sim::MakeFile("C:\\R\\a\\b\\locked.txt", "in use");
  sim::MakeFile("C:\\R\\a\\b\\free.txt");
  sim::MakeFile("C:\\R\\a\\other.txt");
  sim::MakeFile("C:\\R\\z\\free.txt");
  HANDLE other = sim::HoldOpen("C:\\R\\a\\b\\locked.txt", GENERIC_READ, FILE_SHARE_READ);

  EraseFolderContents(kRoot, 0, 0);

  EXPECT_EQ(sim::Tree(kRoot), (Paths{"C:\\R\\a", "C:\\R\\a\\b", "C:\\R\\a\\b\\locked.txt"}));
  EXPECT_EQ(sim::Contents("C:\\R\\a\\b\\locked.txt"), "in use");
  sim::Release(other);
}

TEST_F(EraseFolderTest, ErasesWhileListingWithoutACollectionPass) {
  for (char c = 'a'; c <= 'e'; ++c) sim::MakeFile(std::string("C:\\R\\") + c + ".txt");

  EraseFolderContents(kRoot, 0, 0);

  // Each entry is deleted before the next one is fetched.
  std::vector<std::string> order;
  for (const sim::Call& call : sim::Calls())
    if (call.name == "FindNextFileA" || call.name == "DeleteFileA") order.push_back(call.name);
  std::vector<std::string> expected;
  for (int i = 0; i < 5; ++i) {
    expected.push_back("FindNextFileA");  // after ".", "..": the entry itself
    expected.push_back("DeleteFileA");
  }
  expected.insert(expected.begin(), "FindNextFileA");  // ".." after "."
  expected.push_back("FindNextFileA");                 // the end
  EXPECT_EQ(order, expected);
}

struct MissingCase {
  const char* name;
  const char* folder;
};

void PrintTo(const MissingCase& c, std::ostream* out) { *out << c.name; }

class UnlistableFolderTest : public SimTest, public ::testing::WithParamInterface<MissingCase> {};

TEST_P(UnlistableFolderTest, ChangesNothing) {
  sim::MakeFile("C:\\R\\file.txt", "x");
  sim::MakeFile("C:\\top.txt", "x");
  std::string before = MachineState();

  EraseFolderContents(GetParam().folder, 1, 1);
  DeleteMatching(GetParam().folder, ".txt");

  EXPECT_EQ(MachineState(), before);
}

INSTANTIATE_TEST_SUITE_P(Folders, UnlistableFolderTest,
                         ::testing::Values(MissingCase{"missing", "C:\\nowhere"},
                                           MissingCase{"missing_drive", "Q:\\x"},
                                           MissingCase{"a_file", "C:\\R\\file.txt"},
                                           // "\\*.*" would list the current drive's root.
                                           MissingCase{"empty_path", ""}));

TEST_F(EraseFolderTest, ErasesBelowAFolderGivenWithItsTrailingBackslash) {
  // The temporary folder comes with its backslash; the entries' paths then
  // hold a doubled one, which the file system accepts.
  std::string temp = sim::kTempDir;
  sim::MakeFile(temp + "a.tmp");
  sim::MakeFile(temp + "sub\\b.tmp");

  EraseFolderContents(temp, 0, 0);

  EXPECT_EQ(sim::Tree(temp), Paths{});
  EXPECT_TRUE(sim::IsDir(temp));
}

// ---- index.dat -------------------------------------------------------------------------

TEST_F(EraseFolderTest, OverwritesIndexDatFromByte64ThenDeletesIt) {
  sim::MakeFile("C:\\R\\Index.DAT", std::string(1000, 'x'));
  // A hard link keeps the contents visible after the name is deleted.
  ASSERT_TRUE(CreateHardLinkA("C:\\seen.dat", "C:\\R\\Index.DAT", nullptr));

  EraseFolderContents(kRoot, 0, 1);

  EXPECT_FALSE(sim::Exists("C:\\R\\Index.DAT"));
  EXPECT_EQ(sim::Contents("C:\\seen.dat"), std::string(64, 'x') + std::string(936, '\0'));
  EXPECT_EQ(WriteSizes(), (Sizes{936}));
}

TEST_F(EraseFolderTest, KeepsALockedIndexDatOverwrittenBehindItsHeader) {
  sim::MakeFile("C:\\R\\index.dat", std::string(1000, 'x'));
  HANDLE browser = sim::HoldOpen("C:\\R\\index.dat", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE);

  EraseFolderContents(kRoot, 0, 1);

  EXPECT_EQ(sim::Contents("C:\\R\\index.dat"),
            std::string(64, 'x') + std::string(936, '\0'));
  sim::Release(browser);
}

TEST_F(EraseFolderTest, DeletesIndexDatUnwrittenWhenNotAskedToOverwrite) {
  sim::MakeFile("C:\\R\\sub\\index.dat", std::string(500, 'x'));

  EraseFolderContents(kRoot, 0, 0);

  EXPECT_EQ(sim::Tree(kRoot), Paths{});
  EXPECT_TRUE(sim::CallsOf("CreateFileA").empty());
}

TEST_F(EraseFolderTest, OverwritesOnlyFilesNamedExactlyIndexDat) {
  for (const char* name : {"index.dat.old", "xindex.dat", "index.da", "index.dat2"})
    sim::MakeFile(std::string("C:\\R\\") + name, std::string(200, 'x'));
  sim::MakeFile("C:\\R\\deep\\er\\INDEX.dat", std::string(200, 'x'));

  EraseFolderContents(kRoot, 0, 1);

  std::vector<sim::Call> opens = sim::CallsOf("CreateFileA");
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(opens[0].subject, "C:\\R\\deep\\er\\INDEX.dat");
  EXPECT_EQ(opens[0].flags, static_cast<DWORD>(GENERIC_WRITE));
  EXPECT_EQ(sim::Tree(kRoot), Paths{});
}

TEST_F(EraseFolderTest, TreatsAFolderNamedIndexDatAsAFolder) {
  sim::MakeFile("C:\\R\\index.dat\\inner.txt", std::string(100, 'x'));

  EraseFolderContents(kRoot, 0, 1);

  EXPECT_EQ(sim::Tree(kRoot), Paths{});
  EXPECT_TRUE(sim::CallsOf("CreateFileA").empty());
  EXPECT_TRUE(WriteSizes().empty());
}

// ---- OverwriteIndexDat alone -------------------------------------------------------------

struct IndexDatCase {
  uint64_t size;
  Sizes writes;
};

void PrintTo(const IndexDatCase& c, std::ostream* out) { *out << c.size << " bytes"; }

class OverwriteIndexDatTest : public SimTest, public ::testing::WithParamInterface<IndexDatCase> {};

TEST_P(OverwriteIndexDatTest, ZeroesFromByte64InChunksOf10000) {
  const uint64_t size = GetParam().size;
  std::string original;
  for (uint64_t i = 0; i < size; ++i) original += static_cast<char>('a' + i % 26);
  sim::MakeFile("C:\\cache\\index.dat", original);

  EXPECT_EQ(OverwriteIndexDat("C:\\cache", "index.dat"), 1);

  EXPECT_EQ(WriteSizes(), GetParam().writes);
  std::string expected = original;
  for (uint64_t i = 64; i < size; ++i) expected[i] = '\0';
  EXPECT_TRUE(sim::Contents("C:\\cache\\index.dat") == expected) << "contents differ";
  EXPECT_EQ(sim::FileSize("C:\\cache\\index.dat"), size);
}

INSTANTIATE_TEST_SUITE_P(Sizes, OverwriteIndexDatTest,
                         ::testing::Values(IndexDatCase{0, {}}, IndexDatCase{10, {}},
                                           IndexDatCase{64, {}}, IndexDatCase{65, {1}},
                                           IndexDatCase{64 + 10000, {10000}},
                                           IndexDatCase{64 + 10001, {10000, 1}},
                                           IndexDatCase{64 + 20000, {10000, 10000}},
                                           IndexDatCase{64 + 25000, {10000, 10000, 5000}}));

TEST_F(EraseFolderTest, OverwriteIndexDatAnswers0WhenItCannotOpenTheFile) {
  sim::MakeFile("C:\\c\\ro\\index.dat", std::string(100, 'x'), FILE_ATTRIBUTE_READONLY);
  sim::MakeFile("C:\\c\\held\\index.dat", std::string(100, 'x'));
  HANDLE other = sim::HoldOpen("C:\\c\\held\\index.dat", GENERIC_READ, FILE_SHARE_READ);

  EXPECT_EQ(OverwriteIndexDat("C:\\c\\missing", "index.dat"), 0);
  EXPECT_EQ(OverwriteIndexDat("C:\\c\\ro", "index.dat"), 0);
  EXPECT_EQ(OverwriteIndexDat("C:\\c\\held", "index.dat"), 0);

  EXPECT_FALSE(sim::Exists("C:\\c\\missing\\index.dat"));
  EXPECT_EQ(sim::Contents("C:\\c\\ro\\index.dat"), std::string(100, 'x'));
  EXPECT_EQ(sim::Contents("C:\\c\\held\\index.dat"), std::string(100, 'x'));
  EXPECT_TRUE(WriteSizes().empty());
  sim::Release(other);
}

TEST_F(EraseFolderTest, OverwriteIndexDatFlushesBeforeClosing) {
  sim::MakeFile("C:\\c\\index.dat", std::string(20000, 'x'));

  OverwriteIndexDat("C:\\c", "index.dat");

  EXPECT_EQ(FileCallNames(), (Names{"CreateFileA", "GetFileSizeEx", "SetFilePointerEx",
                                    "WriteFile", "WriteFile", "FlushFileBuffers",
                                    "CloseHandle"}));
}

TEST_F(EraseFolderTest, OverwriteIndexDatKeepsTheHeaderWhenThePositionCannotBeSet) {
  // Writing from wherever the pointer happens to be would hit the header.
  sim::MakeFile("C:\\c\\index.dat", std::string(1000, 'x'));
  sim::FailCall("SetFilePointerEx", ERROR_INVALID_PARAMETER);

  OverwriteIndexDat("C:\\c", "index.dat");

  EXPECT_EQ(sim::Contents("C:\\c\\index.dat"), std::string(1000, 'x'));
}

TEST_F(EraseFolderTest, OverwriteIndexDatReachesTheEndOfAFileOver4GiB) {
  const uint64_t size = (uint64_t{1} << 32) + 100;
  sim::MakeBigFile("C:\\c\\index.dat", size, 0xAB);
  sim::SetCallLogging(false);

  EXPECT_EQ(OverwriteIndexDat("C:\\c", "index.dat"), 1);

  EXPECT_EQ(sim::FileSize("C:\\c\\index.dat"), size);
  EXPECT_TRUE(sim::BytesAre("C:\\c\\index.dat", 64, 0));
  EXPECT_EQ(ReadHead("C:\\c\\index.dat", 65), std::string(64, '\xAB') + '\0');
}

}  // namespace
