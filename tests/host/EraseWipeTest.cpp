// WipeFile (with the zero-fill it shares with OverwriteIndexDat) and
// DeleteMatching, on the simulated machine.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Primitives.h"
#include "tests/host/EraseTestSupport.h"
#include "tests/host/SimTest.h"

namespace {

using Paths = std::vector<std::string>;

const char kFile[] = "C:\\docs\\secret.txt";
const char kSeen[] = "C:\\docs\\seen.txt";  // a hard link: the contents outlive the name

class WipeTest : public SimTest {
 protected:
  void MakeWatched(const std::string& contents, DWORD attributes = 0) {
    sim::MakeFile(kFile, contents, attributes);
    ASSERT_TRUE(CreateHardLinkA(kSeen, kFile, nullptr)) << GetLastError();
    sim::ClearCalls();
  }
};

struct ChunkCase {
  uint64_t size;
  Sizes writes;
};

void PrintTo(const ChunkCase& c, std::ostream* out) { *out << c.size << " bytes"; }

class WipeChunkTest : public WipeTest, public ::testing::WithParamInterface<ChunkCase> {};

TEST_P(WipeChunkTest, ZeroesTheWholeFileInChunksOf10000ThenDeletesIt) {
  MakeWatched(std::string(GetParam().size, 'x'));

  WipeFile(kFile);

  EXPECT_FALSE(sim::Exists(kFile));
  EXPECT_EQ(WriteSizes(), GetParam().writes);
  EXPECT_EQ(sim::FileSize(kSeen), GetParam().size);
  EXPECT_TRUE(sim::BytesAre(kSeen, 0, 0));
}

INSTANTIATE_TEST_SUITE_P(Sizes, WipeChunkTest,
                         ::testing::Values(ChunkCase{0, {}}, ChunkCase{1, {1}},
                                           ChunkCase{9999, {9999}}, ChunkCase{10000, {10000}},
                                           ChunkCase{10001, {10000, 1}},
                                           ChunkCase{20000, {10000, 10000}},
                                           ChunkCase{20001, {10000, 10000, 1}},
                                           ChunkCase{25000, {10000, 10000, 5000}}));

TEST_F(WipeTest, WritesFlushesAndClosesBeforeDeleting) {
  MakeWatched(std::string(15000, 'x'));

  WipeFile(kFile);

  EXPECT_EQ(FileCallNames(),
            (Names{"CreateFileA", "GetFileSizeEx", "SetFilePointerEx", "WriteFile", "WriteFile",
                   "FlushFileBuffers", "CloseHandle", "DeleteFileA"}));
  std::vector<sim::Call> opens = sim::CallsOf("CreateFileA");
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(opens[0].flags, static_cast<DWORD>(GENERIC_WRITE));
}

TEST_F(WipeTest, ZeroesAFileOf5GiBToItsEnd) {
  // 5 GiB has a low 32-bit word of 1 GiB: a 32-bit size would leave 4 GiB
  // of the user's data in place behind a wipe that looked complete.
  const uint64_t size = 5ull << 30;
  sim::MakeBigFile(kFile, size, 0x5A);
  ASSERT_TRUE(CreateHardLinkA(kSeen, kFile, nullptr));
  sim::SetCallLogging(false);

  WipeFile(kFile);

  EXPECT_FALSE(sim::Exists(kFile));
  EXPECT_EQ(sim::FileSize(kSeen), size);
  EXPECT_TRUE(sim::BytesAre(kSeen, 0, 0));
}

TEST_F(WipeTest, LeavesAReadOnlyFileEntirelyAlone) {
  MakeWatched("keep me", FILE_ATTRIBUTE_READONLY);

  WipeFile(kFile);

  EXPECT_EQ(sim::Contents(kFile), "keep me");
  EXPECT_TRUE(sim::Attributes(kFile) & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(sim::CallsOf("SetFileAttributesA").empty());
  EXPECT_TRUE(sim::CallsOf("DeleteFileA").empty());
}

TEST_F(WipeTest, NeverCreatesAMissingFile) {
  WipeFile("C:\\docs\\missing.txt");

  EXPECT_FALSE(sim::Exists("C:\\docs\\missing.txt"));
  EXPECT_TRUE(sim::CallsOf("DeleteFileA").empty());
}

struct HeldCase {
  const char* name;
  DWORD share;         // what the other program allows
  bool zeroed;
  bool deleted;
};

void PrintTo(const HeldCase& c, std::ostream* out) { *out << c.name; }

class WipeHeldTest : public WipeTest, public ::testing::WithParamInterface<HeldCase> {};

TEST_P(WipeHeldTest, OverwritesWhatTheOtherProgramSharesAndNoMore) {
  MakeWatched(std::string(12345, 'x'));
  HANDLE other = sim::HoldOpen(kFile, GENERIC_READ, GetParam().share);

  WipeFile(kFile);

  EXPECT_EQ(sim::BytesAre(kSeen, 0, 0), GetParam().zeroed);
  EXPECT_EQ(sim::FileSize(kSeen), 12345u);
  EXPECT_EQ(sim::Exists(kFile), !GetParam().deleted);
  sim::Release(other);
}

INSTANTIATE_TEST_SUITE_P(
    Sharing, WipeHeldTest,
    ::testing::Values(HeldCase{"read_only_sharing", FILE_SHARE_READ, false, false},
                      HeldCase{"write_sharing", FILE_SHARE_READ | FILE_SHARE_WRITE, true, false},
                      HeldCase{"all_sharing",
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, true,
                               true}));

TEST_F(WipeTest, GoesOnAfterFailedWrites) {
  MakeWatched(std::string(30000, 'x'));
  sim::FailCall("WriteFile", ERROR_LOCK_VIOLATION, "", 1);

  WipeFile(kFile);

  EXPECT_EQ(WriteSizes(), (Sizes{10000, 10000, 10000}));
  EXPECT_FALSE(sim::Exists(kFile));
}

TEST_F(WipeTest, WritesNothingWithoutTheSize) {
  MakeWatched(std::string(100, 'x'));
  sim::FailCall("GetFileSizeEx", ERROR_ACCESS_DENIED);

  WipeFile(kFile);

  EXPECT_TRUE(WriteSizes().empty());
}

// ---- DeleteMatching ------------------------------------------------------------------------

class DeleteMatchingTest : public SimTest {};

TEST_F(DeleteMatchingTest, DeletesMatchingFilesOfTheFolderItselfOnly) {
  sim::MakeFile("C:\\aim\\x.tmp");
  sim::MakeFile("C:\\aim\\y.TMP");
  sim::MakeFile("C:\\aim\\r.tmp", "", FILE_ATTRIBUTE_READONLY);
  sim::MakeFile("C:\\aim\\sub\\z.tmp");
  sim::MakeDir("C:\\aim\\folder.tmp");
  sim::MakeFile("C:\\aim\\keep.txt");
  sim::MakeFile("C:\\aim\\tmp");

  DeleteMatching("C:\\aim", ".tmp");

  EXPECT_EQ(sim::Tree("C:\\aim"),
            (Paths{"C:\\aim\\folder.tmp", "C:\\aim\\keep.txt", "C:\\aim\\r.tmp", "C:\\aim\\sub",
                   "C:\\aim\\sub\\z.tmp", "C:\\aim\\tmp"}));
  EXPECT_TRUE(sim::CallsOf("SetFileAttributesA").empty());
  std::vector<sim::Call> lists = sim::CallsOf("FindFirstFileA");
  ASSERT_EQ(lists.size(), 1u);
  EXPECT_EQ(lists[0].subject, "C:\\aim\\*.tmp");
}

TEST_F(DeleteMatchingTest, DeletesWhatTheListingDeliversUntilItEnds) {
  sim::MakeFile("C:\\aim\\a.dat");
  sim::MakeFile("C:\\aim\\b.dat");
  sim::MakeFile("C:\\aim\\c.dat");
  HANDLE other = sim::HoldOpen("C:\\aim\\b.dat", GENERIC_READ, FILE_SHARE_READ);

  DeleteMatching("C:\\aim", ".dat");

  EXPECT_EQ(sim::Tree("C:\\aim"), Paths{"C:\\aim\\b.dat"});
  sim::Release(other);
}

}  // namespace
