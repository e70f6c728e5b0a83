// The erase primitives on the simulated machine: EraseFolderContents,
// OverwriteIndexDat, WipeFile (with the zero-fill they share) and DeleteMatching.
#include "engine/Primitives.h"
#include "tests/host/SimTest.h"

namespace {

const char kRoot[] = "C:\\R";
const DWORD kReadOnly = FILE_ATTRIBUTE_READONLY, kHidden = FILE_ATTRIBUTE_HIDDEN;

using EraseFolderTest = SimTest;

// ---- EraseFolderContents -------------------------------------------------------------

class DesktopIniTest : public SimTest, public ::testing::WithParamInterface<int> {};

// desktop.ini in any case, file or folder, at any depth: kept whole and
// untouched (read-only bit included), or erased like the rest.
TEST_P(DesktopIniTest, KeepsOrErasesEveryDesktopIniInTheTree) {
  const int erase = GetParam();
  sim::MakeFile("C:\\R\\a.txt", "a");
  sim::MakeFile("C:\\R\\desktop.ini", "[top]", kReadOnly | kHidden);
  sim::MakeFile("C:\\R\\sub\\b.txt", "b");
  sim::MakeFile("C:\\R\\sub\\Desktop.INI", "[sub]");
  sim::MakeFile("C:\\R\\sub2\\Desktop.ini\\inner.txt", "kept with its folder");
  sim::MakeFile("C:\\R\\DESKTOP.INI.bak", "not one");
  sim::MakeFile("C:\\R\\desktop.ini2\\c.txt", "c");  // a folder whose name only starts so

  EraseFolderContents(kRoot, erase, 0);

  EXPECT_EQ(
      sim::Tree(kRoot),
      erase ? Names{}
            : (Names{"C:\\R\\desktop.ini", "C:\\R\\sub", "C:\\R\\sub\\Desktop.INI", "C:\\R\\sub2",
                     "C:\\R\\sub2\\Desktop.ini", "C:\\R\\sub2\\Desktop.ini\\inner.txt"}));
  EXPECT_EQ(sim::CallsOf("SetFileAttributesA").size(), erase ? 1u : 0u);
  if (!erase) {
    EXPECT_EQ(sim::Attributes("C:\\R\\desktop.ini"), kReadOnly | kHidden);
    EXPECT_EQ(sim::Contents("C:\\R\\desktop.ini"), "[top]");
  }
}

INSTANTIATE_TEST_SUITE_P(KeptAndErased, DesktopIniTest, ::testing::Values(0, 1));

// Each entry loses its read-only bit and nothing else before it goes; the
// starting folder stays, read-only bit and all.
TEST_F(EraseFolderTest, ClearsOnlyTheReadOnlyBitAndNeverTouchesTheStartingFolder) {
  sim::MakeDir(kRoot, kReadOnly);
  sim::MakeDir("C:\\R\\ro", kReadOnly);
  sim::MakeFile("C:\\R\\ro\\f.txt", "x", kReadOnly | kHidden);
  sim::MakeFile("C:\\R\\g.txt", "y", kReadOnly | FILE_ATTRIBUTE_SYSTEM);
  sim::MakeFile("C:\\R\\plain.txt");

  EraseFolderContents(kRoot, 1, 1);

  EXPECT_EQ(sim::Tree(kRoot), Names{});
  EXPECT_EQ(sim::Attributes(kRoot), FILE_ATTRIBUTE_DIRECTORY | kReadOnly);
  Names sets;
  for (const sim::Call& call : sim::CallsOf("SetFileAttributesA"))
    sets.push_back(call.subject + " " + std::to_string(call.flags));
  EXPECT_EQ(sets, (Names{"C:\\R\\g.txt 4", "C:\\R\\ro 16", "C:\\R\\ro\\f.txt 2"}));
}

TEST(ClearReadOnlyTest, WritesNothingWhenTheAttributesCannotBeRead) {
  // INVALID_FILE_ATTRIBUTES has the read-only bit set too; writing it back
  // less that bit would make the file hidden, system, temporary...
  sim::Reset();
  sim::MakeFile("C:\\f.txt", "", kReadOnly);
  sim::FailCall("GetFileAttributesA", ERROR_ACCESS_DENIED, "C:\\f.txt");

  ClearReadOnly("C:\\f.txt");

  EXPECT_TRUE(sim::CallsOf("SetFileAttributesA").empty());
}

TEST_F(EraseFolderTest, KeepsALockedFileAndTheFoldersAboveItAndErasesTheRest) {
  sim::MakeFile("C:\\R\\a\\b\\locked.txt", "in use");
  sim::MakeFile("C:\\R\\a\\b\\free.txt");
  sim::MakeFile("C:\\R\\a\\other.txt");
  sim::MakeFile("C:\\R\\z\\free.txt");
  sim::HoldOpen("C:\\R\\a\\b\\locked.txt", GENERIC_READ, FILE_SHARE_READ);

  EraseFolderContents(kRoot, 0, 0);

  EXPECT_EQ(sim::Tree(kRoot), (Names{"C:\\R\\a", "C:\\R\\a\\b", "C:\\R\\a\\b\\locked.txt"}));
  EXPECT_EQ(sim::Contents("C:\\R\\a\\b\\locked.txt"), "in use");
}

TEST_F(EraseFolderTest, ErasesWhileListingWithoutACollectionPass) {
  for (char c = 'a'; c <= 'e'; ++c) sim::MakeFile(std::string("C:\\R\\") + c + ".txt");

  EraseFolderContents(kRoot, 0, 0);

  // Each entry is deleted before the next one is fetched.
  Names order;
  for (const sim::Call& call : sim::Calls())
    if (call.name == "FindNextFileA" || call.name == "DeleteFileA") order.push_back(call.name);
  Names expected{"FindNextFileA"};  // ".." after "."
  for (int i = 0; i < 5; ++i) expected.insert(expected.end(), {"FindNextFileA", "DeleteFileA"});
  expected.push_back("FindNextFileA");  // the end
  EXPECT_EQ(order, expected);
}

class UnlistableFolderTest : public SimTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(UnlistableFolderTest, ChangesNothing) {
  sim::MakeFile("C:\\R\\file.txt", "x");
  sim::MakeFile("C:\\top.txt", "x");
  std::string before = MachineState();

  EraseFolderContents(GetParam(), 1, 1);
  DeleteMatching(GetParam(), ".txt");

  EXPECT_EQ(MachineState(), before);
}

// A missing folder, a missing drive, a file, and "" ("\*.*" would list the
// current drive's root).
INSTANTIATE_TEST_SUITE_P(Folders, UnlistableFolderTest,
                         ::testing::Values("C:\\nowhere", "Q:\\x", "C:\\R\\file.txt", ""));

TEST_F(EraseFolderTest, ErasesBelowAFolderGivenWithItsTrailingBackslash) {
  // The temporary folder comes with its backslash; the entries' paths then
  // hold a doubled one, which the file system accepts.
  std::string temp = sim::kTempDir;
  sim::MakeFile(temp + "a.tmp");
  sim::MakeFile(temp + "sub\\b.tmp");

  EraseFolderContents(temp, 0, 0);

  EXPECT_EQ(sim::Tree(temp), Names{});
  EXPECT_TRUE(sim::IsDir(temp));
}

class IndexDatInTreeTest : public SimTest, public ::testing::WithParamInterface<int> {};

// Only files named index.dat, in any case, at any depth, and only when asked;
// a folder of that name is a folder. All go.
TEST_P(IndexDatInTreeTest, OverwritesOnlyFilesNamedIndexDatBehindTheirHeader) {
  const int overwrite = GetParam();
  sim::MakeFile("C:\\R\\Index.DAT", std::string(1000, 'x'));
  // A hard link keeps the contents visible after the name is deleted.
  ASSERT_TRUE(CreateHardLinkA("C:\\seen.dat", "C:\\R\\Index.DAT", nullptr));
  for (const char* name : {"index.dat.old", "xindex.dat", "index.da", "index.dat2",
                           "sub\\index.dat\\inner.txt", "deep\\er\\INDEX.dat"})
    sim::MakeFile(std::string("C:\\R\\") + name, std::string(100, 'x'));

  EraseFolderContents(kRoot, 0, overwrite);

  EXPECT_EQ(sim::Tree(kRoot), Names{});
  Names opened;
  for (const sim::Call& call : sim::CallsOf("CreateFileA")) opened.push_back(call.subject);
  EXPECT_EQ(opened,
            overwrite ? (Names{"C:\\R\\deep\\er\\INDEX.dat", "C:\\R\\Index.DAT"}) : Names{});
  EXPECT_EQ(WriteSizes(), overwrite ? (Sizes{36, 936}) : Sizes{});
  EXPECT_EQ(sim::Contents("C:\\seen.dat"),
            std::string(64, 'x') + std::string(936, overwrite ? '\0' : 'x'));
}

INSTANTIATE_TEST_SUITE_P(AskedOrNot, IndexDatInTreeTest, ::testing::Values(0, 1));

// ---- the zero-fill of WipeFile and OverwriteIndexDat -------------------------------

struct ChunkCase {
  uint64_t size;  // of the file, or of an index.dat behind its 64-byte header
  Sizes writes;
};

void PrintTo(const ChunkCase& c, std::ostream* out) { *out << c.size << " bytes"; }

class ZeroFillTest : public SimTest, public ::testing::WithParamInterface<ChunkCase> {};

// Open to write, size, position, zeros in chunks of 10000 bytes, flush before
// closing (zeros still cached when a file is deleted never reach the disk);
// WipeFile then deletes the file, OverwriteIndexDat keeps it and its header.
TEST_P(ZeroFillTest, WritesChunksOf10000AndFlushesBeforeClosing) {
  const ChunkCase& c = GetParam();
  const DWORD kWrite = GENERIC_WRITE;
  sim::MakeFile("C:\\d\\secret.txt", std::string(c.size, 'x'));
  sim::MakeFile("C:\\d\\index.dat", std::string(64 + c.size, 'i'));
  ASSERT_TRUE(CreateHardLinkA("C:\\seen.txt", "C:\\d\\secret.txt", nullptr));
  Names calls{"CreateFileA", "GetFileSizeEx", "SetFilePointerEx"};
  calls.insert(calls.end(), c.writes.size(), "WriteFile");
  calls.insert(calls.end(), {"FlushFileBuffers", "CloseHandle", "DeleteFileA"});
  sim::ClearCalls();

  WipeFile("C:\\d\\secret.txt");

  EXPECT_EQ(WriteSizes(), c.writes);
  EXPECT_EQ(FileCallNames(), calls);
  for (const sim::Call& open : sim::CallsOf("CreateFileA")) EXPECT_EQ(open.flags, kWrite);
  EXPECT_FALSE(sim::Exists("C:\\d\\secret.txt"));
  EXPECT_TRUE(sim::Contents("C:\\seen.txt") == std::string(c.size, '\0'));
  sim::ClearCalls();

  EXPECT_EQ(OverwriteIndexDat("C:\\d", "index.dat"), 1);

  EXPECT_EQ(WriteSizes(), c.writes);
  calls.pop_back();
  EXPECT_EQ(FileCallNames(), calls);
  for (const sim::Call& open : sim::CallsOf("CreateFileA")) EXPECT_EQ(open.flags, kWrite);
  EXPECT_TRUE(sim::Contents("C:\\d\\index.dat") ==
              std::string(64, 'i') + std::string(c.size, '\0'));
}

INSTANTIATE_TEST_SUITE_P(Sizes, ZeroFillTest,
                         ::testing::Values(ChunkCase{0, {}}, ChunkCase{1, {1}},
                                           ChunkCase{9999, {9999}}, ChunkCase{10000, {10000}},
                                           ChunkCase{10001, {10000, 1}},
                                           ChunkCase{20000, {10000, 10000}},
                                           ChunkCase{20001, {10000, 10000, 1}},
                                           ChunkCase{25000, {10000, 10000, 5000}}));

// 5 GiB has a low 32-bit word of 1 GiB: a 32-bit size would leave 4 GiB of
// the user's data in place behind a wipe that looked complete.
TEST_F(EraseFolderTest, ZeroFillReachesTheEndOfFilesOver4GiB) {
  const uint64_t size = 5ull << 30;
  sim::MakeBigFile("C:\\d\\secret.txt", size, 0x5A);
  ASSERT_TRUE(CreateHardLinkA("C:\\seen.txt", "C:\\d\\secret.txt", nullptr));
  sim::MakeBigFile("C:\\c\\index.dat", size, 0xAB);
  sim::SetCallLogging(false);

  WipeFile("C:\\d\\secret.txt");
  EXPECT_EQ(OverwriteIndexDat("C:\\c", "index.dat"), 1);

  EXPECT_FALSE(sim::Exists("C:\\d\\secret.txt"));
  EXPECT_EQ(sim::FileSize("C:\\seen.txt"), size);
  EXPECT_TRUE(sim::BytesAre("C:\\seen.txt", 0, 0));
  EXPECT_EQ(sim::FileSize("C:\\c\\index.dat"), size);
  EXPECT_TRUE(sim::BytesAre("C:\\c\\index.dat", 64, 0));
  HANDLE file =
      CreateFileA("C:\\c\\index.dat", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  std::string head(64, '\0');
  DWORD got = 0;
  ReadFile(file, &head[0], 64, &got, nullptr);
  CloseHandle(file);
  EXPECT_EQ(head, std::string(64, '\xAB')) << "the header stays";
}

// Zeros written from wherever the pointer happens to be would hit the header.
TEST_F(EraseFolderTest, ZeroFillWritesNothingWithoutTheSizeOrThePosition) {
  for (const char* call : {"GetFileSizeEx", "SetFilePointerEx"}) {
    sim::Reset();
    sim::MakeFile("C:\\c\\index.dat", std::string(1000, 'x'));
    sim::MakeFile("C:\\d\\secret.txt", std::string(100, 'x'));
    sim::FailCall(call, ERROR_INVALID_PARAMETER);

    OverwriteIndexDat("C:\\c", "index.dat");
    WipeFile("C:\\d\\secret.txt");

    EXPECT_TRUE(WriteSizes().empty()) << call;
    EXPECT_EQ(sim::Contents("C:\\c\\index.dat"), std::string(1000, 'x')) << call;
  }
}

// What cannot be opened to write (missing, read-only, held without write
// sharing, a link) is answered 0 and left as it was; a file no longer than
// its header is opened, but gets no write.
TEST_F(EraseFolderTest, OverwriteIndexDatLeavesWhatItCannotOpen) {
  sim::MakeFile("C:\\c\\ro\\index.dat", std::string(100, 'x'), kReadOnly);
  sim::MakeFile("C:\\c\\held\\index.dat", std::string(100, 'x'));
  sim::MakeFile("C:\\c\\short\\index.dat", std::string(10, 'x'));
  sim::MakeLink("C:\\c\\link\\index.dat", "C:\\c\\held\\index.dat", false);
  sim::HoldOpen("C:\\c\\held\\index.dat", GENERIC_READ, FILE_SHARE_READ);
  std::string before = MachineState();

  for (const char* folder : {"C:\\c\\missing", "C:\\c\\ro", "C:\\c\\held", "C:\\c\\link"})
    EXPECT_EQ(OverwriteIndexDat(folder, "index.dat"), 0) << folder;
  EXPECT_EQ(OverwriteIndexDat("C:\\c\\short", "index.dat"), 1);

  EXPECT_TRUE(WriteSizes().empty());
  EXPECT_EQ(MachineState(), before);
}

// A file that cannot be opened for writing is left entirely alone: deleting
// it unwiped would look like a wipe. A missing one is not created.
TEST_F(EraseFolderTest, WipeFileLeavesAReadOnlyOrMissingFileAlone) {
  sim::MakeFile("C:\\d\\ro.txt", "keep me", kReadOnly);
  sim::ClearCalls();

  WipeFile("C:\\d\\ro.txt");
  WipeFile("C:\\d\\missing.txt");

  EXPECT_EQ(sim::Contents("C:\\d\\ro.txt"), "keep me");
  EXPECT_EQ(sim::Attributes("C:\\d\\ro.txt"), kReadOnly);
  EXPECT_FALSE(sim::Exists("C:\\d\\missing.txt"));
  EXPECT_TRUE(sim::CallsOf("SetFileAttributesA").empty());
  EXPECT_TRUE(sim::CallsOf("DeleteFileA").empty());
}

struct HeldCase {
  DWORD share;  // what the other program allows
  bool zeroed;
  bool deleted;
};

class WipeHeldTest : public SimTest, public ::testing::WithParamInterface<HeldCase> {};

TEST_P(WipeHeldTest, OverwritesWhatTheOtherProgramSharesAndNoMore) {
  sim::MakeFile("C:\\d\\secret.txt", std::string(12345, 'x'));
  ASSERT_TRUE(CreateHardLinkA("C:\\seen.txt", "C:\\d\\secret.txt", nullptr));
  sim::HoldOpen("C:\\d\\secret.txt", GENERIC_READ, GetParam().share);

  WipeFile("C:\\d\\secret.txt");

  EXPECT_EQ(sim::BytesAre("C:\\seen.txt", 0, 0), GetParam().zeroed);
  EXPECT_EQ(sim::FileSize("C:\\seen.txt"), 12345u);
  EXPECT_EQ(sim::Exists("C:\\d\\secret.txt"), !GetParam().deleted);
}

INSTANTIATE_TEST_SUITE_P(
    Sharing, WipeHeldTest,
    ::testing::Values(HeldCase{FILE_SHARE_READ, false, false},
                      HeldCase{FILE_SHARE_READ | FILE_SHARE_WRITE, true, false},
                      HeldCase{FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, true,
                               true}));

TEST_F(EraseFolderTest, WipeFileGoesOnAfterAFailedWrite) {
  sim::MakeFile("C:\\d\\secret.txt", std::string(30000, 'x'));
  sim::FailCall("WriteFile", ERROR_LOCK_VIOLATION, "", 1);

  WipeFile("C:\\d\\secret.txt");

  EXPECT_EQ(WriteSizes(), (Sizes{10000, 10000, 10000}));
  EXPECT_FALSE(sim::Exists("C:\\d\\secret.txt"));
}

// ---- DeleteMatching --------------------------------------------------------------------

// Files of the folder itself whose names end in the suffix, in any case;
// read-only or held files stay and the listing goes on past them.
TEST_F(EraseFolderTest, DeleteMatchingDeletesMatchingFilesOfTheFolderItselfOnly) {
  for (const char* name : {"x.tmp", "held.tmp", "y.TMP", "sub\\z.tmp", "keep.txt", "tmp"})
    sim::MakeFile(std::string("C:\\aim\\") + name);
  sim::MakeFile("C:\\aim\\r.tmp", "", kReadOnly);
  sim::MakeDir("C:\\aim\\folder.tmp");
  sim::HoldOpen("C:\\aim\\held.tmp", GENERIC_READ, FILE_SHARE_READ);

  DeleteMatching("C:\\aim", ".tmp");

  EXPECT_EQ(sim::Tree("C:\\aim"),
            (Names{"C:\\aim\\folder.tmp", "C:\\aim\\held.tmp", "C:\\aim\\keep.txt",
                   "C:\\aim\\r.tmp", "C:\\aim\\sub", "C:\\aim\\sub\\z.tmp", "C:\\aim\\tmp"}));
  EXPECT_TRUE(sim::CallsOf("SetFileAttributesA").empty());
  std::vector<sim::Call> lists = sim::CallsOf("FindFirstFileA");
  ASSERT_EQ(lists.size(), 1u);
  EXPECT_EQ(lists[0].subject, "C:\\aim\\*.tmp");
}

}  // namespace
