// The simulated file system where the conformance tests cannot reach: links
// (Wine 8's CreateSymbolicLinkA answers TRUE and makes nothing, so these are
// pinned from Microsoft's documentation of the calls), files of gigabytes and
// their run-length contents, what Windows 10 does and Wine does not, and the
// injected failures, call log and dump the other host tests rely on.
#include <chrono>
#include <random>

#include "platform/sim/Machine.h"
#include "tests/host/SimTest.h"

namespace {

HANDLE Open(const std::string& path, DWORD access = GENERIC_READ | GENERIC_WRITE, DWORD share = 0,
            DWORD disposition = OPEN_EXISTING, DWORD flags = 0) {
  return CreateFileA(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
}

bool Write(HANDLE file, const std::string& bytes) {
  DWORD written = 0;
  return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

using SimFiles = SimTest;

TEST_F(SimFiles, SizesOfA5GiBFileAre64Bit) {
  const uint64_t kSize = 5ull << 30;
  sim::MakeBigFile("C:\\big\\movie.avi", kSize, 0xAB);
  HANDLE file = Open("C:\\big\\movie.avi", GENERIC_WRITE);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD high = 0;
  EXPECT_EQ(GetFileSize(file, &high), 0x40000000u) << "the low 32 bits of 5 GiB";
  EXPECT_EQ(high, 1u);
  EXPECT_EQ(GetFileSize(file, nullptr), 0x40000000u) << "without the high word, as well";
  LARGE_INTEGER size;
  ASSERT_TRUE(GetFileSizeEx(file, &size));
  EXPECT_EQ(static_cast<uint64_t>(size.QuadPart), kSize);
  CloseHandle(file);
}

// An injected failure hits the call on its subject only (the path as passed
// with its separators put right, in any case), as many times as asked, and
// changes nothing.
TEST_F(SimFiles, InjectedFailuresHitTheirSubjectOnly) {
  sim::MakeFile("C:\\d\\a.txt");
  sim::MakeFile("C:\\d\\b.txt");
  sim::FailCall("DeleteFileA", ERROR_SHARING_VIOLATION, "c:\\D\\A.TXT", 1);
  EXPECT_TRUE(DeleteFileA("C:\\d\\b.txt"));
  EXPECT_FALSE(DeleteFileA("C:\\\\d//a.txt"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_TRUE(sim::Exists("C:\\d\\a.txt"));
  EXPECT_TRUE(DeleteFileA("C:\\d\\a.txt")) << "the failure was for once";
}

// The log the other tests read: each call with its subject and the size or
// flags they check, also for a call that was refused.
TEST_F(SimFiles, CallLogRecordsSubjectsSizesAndFlags) {
  sim::MakeFile("C:\\d\\f.txt");
  sim::ClearCalls();
  HANDLE file = Open("C:\\d\\\\f.txt", GENERIC_WRITE);
  ASSERT_TRUE(Write(file, std::string(10000, '\0')));
  ASSERT_TRUE(Write(file, std::string(123, '\0')));
  char byte;
  DWORD got;
  ReadFile(file, &byte, 1, &got, nullptr);
  CloseHandle(file);
  SetFileAttributesA("C:\\d\\f.txt", FILE_ATTRIBUTE_READONLY);
  Listing("C:\\d\\*.*");

  Names log;
  for (const sim::Call& call : sim::Calls())
    log.push_back(call.name + " " + call.subject + " " + std::to_string(call.size) + " " +
                  std::to_string(call.flags));
  const std::string subject = " C:\\d\\f.txt ", pattern = " C:\\d\\*.* 0 0";
  EXPECT_EQ(log, (Names{"CreateFileA" + subject + "0 " + std::to_string(GENERIC_WRITE),
                        "WriteFile" + subject + "10000 0", "WriteFile" + subject + "123 0",
                        "ReadFile" + subject + "1 0", "CloseHandle" + subject + "0 0",
                        "SetFileAttributesA" + subject + "0 1", "FindFirstFileA" + pattern,
                        "FindNextFileA" + pattern, "FindNextFileA" + pattern,
                        "FindNextFileA" + pattern, "FindClose" + pattern}));
}

// Tests compare dumps to show that nothing changed: what they hold counts.
TEST_F(SimFiles, DumpShowsTreeAttributesSizesLinksAndHandles) {
  sim::MakeFile("C:\\d\\notes.txt", "12345", FILE_ATTRIBUTE_READONLY);
  sim::MakeBigFile("C:\\d\\big.bin", 6ull << 30, 0);
  sim::MakeLink("C:\\d\\jump", "C:\\windows", true);
  CreateHardLinkA("C:\\d\\again.txt", "C:\\d\\notes.txt", nullptr);
  HANDLE held = sim::HoldOpen("C:\\d\\big.bin", GENERIC_READ, FILE_SHARE_READ);
  WIN32_FIND_DATAA record;
  HANDLE find = FindFirstFileA("C:\\d\\*.txt", &record);
  std::string dump = sim::Dump();
  for (const char* expected :
       {"    d\\  []\n", "      notes.txt  [R] 5 bytes, 2 names\n", "big.bin  [A] 6442450944 bytes",
        "jump\\  [L] -> C:\\windows\n", "C:\\d\\big.bin access=0x80000000 share=0x1 at 0",
        "listing ", "C:\\d\\*.txt, 1 names to come"})
    EXPECT_NE(dump.find(expected), std::string::npos) << "no \"" << expected << "\" in\n" << dump;
  FindClose(find);
  sim::Release(held);
}

// ---- links ------------------------------------------------------------------------

class SimFilesLinks : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    sim::MakeFile("C:\\home\\notes.txt", "precious");
    sim::MakeFile("C:\\home\\deep\\more.txt", "more");
    sim::MakeLink("C:\\R\\junction", "C:\\home", true);
    sim::MakeLink("C:\\R\\notes.lnk", "C:\\home\\notes.txt", false);
  }
  void ExpectHomeIntact() {
    EXPECT_EQ(sim::Tree("C:\\home"),
              (Names{"C:\\home\\deep", "C:\\home\\deep\\more.txt", "C:\\home\\notes.txt"}));
    EXPECT_EQ(sim::Contents("C:\\home\\notes.txt"), "precious");
  }
  static WIN32_FIND_DATAA Record(const char* path) {
    WIN32_FIND_DATAA record = {};
    HANDLE find = FindFirstFileA(path, &record);
    EXPECT_NE(find, INVALID_HANDLE_VALUE) << path;
    FindClose(find);
    return record;
  }
};

// Attributes and listings show the link's own entry, and setting attributes
// changes the link, never what it leads to.
TEST_F(SimFilesLinks, AttributesAndRecordsAreTheLinksOwn) {
  const DWORD kLink = FILE_ATTRIBUTE_REPARSE_POINT;
  EXPECT_EQ(GetFileAttributesA("C:\\R\\junction"), FILE_ATTRIBUTE_DIRECTORY | kLink);
  EXPECT_EQ(GetFileAttributesA("C:\\R\\notes.lnk"), FILE_ATTRIBUTE_ARCHIVE | kLink);
  WIN32_FIND_DATAA record = Record("C:\\R\\notes.lnk");
  EXPECT_EQ(record.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE | kLink);
  EXPECT_EQ(record.nFileSizeLow, 0u) << "the link's own size";
  EXPECT_EQ(record.dwReserved0, 0xA000000Cu) << "IO_REPARSE_TAG_SYMLINK";
  EXPECT_EQ(Record("C:\\R\\junction").dwReserved0, 0xA0000003u) << "IO_REPARSE_TAG_MOUNT_POINT";
  EXPECT_TRUE(SetFileAttributesA("C:\\R\\notes.lnk", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesA("C:\\R\\notes.lnk"), FILE_ATTRIBUTE_READONLY | kLink);
  EXPECT_EQ(sim::Attributes("C:\\home\\notes.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
}

// A path through a folder link, or a chain of them, reaches the target.
TEST_F(SimFilesLinks, PathsThroughFolderLinksReachTheTarget) {
  sim::MakeLink("C:\\R\\second", "C:\\R\\junction", true);
  EXPECT_EQ(Listing("C:\\R\\junction\\*.*"), (Names{".", "..", "deep", "notes.txt"}));
  EXPECT_EQ(sim::Contents("C:\\R\\second\\notes.txt"), "precious");
  EXPECT_EQ(Listing("C:\\R\\second\\deep\\*.txt"), Names{"more.txt"});
  EXPECT_TRUE(DeleteFileA("C:\\R\\junction\\deep\\more.txt"));
  EXPECT_FALSE(sim::Exists("C:\\home\\deep\\more.txt"));
}

// A folder link goes with RemoveDirectoryA however full its target, a file
// link with DeleteFileA; the other call refuses each; the targets stay.
TEST_F(SimFilesLinks, RemovingLinksLeavesTheirTargets) {
  EXPECT_FALSE(DeleteFileA("C:\\R\\junction"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(RemoveDirectoryA("C:\\R\\notes.lnk"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
  EXPECT_TRUE(RemoveDirectoryA("C:\\R\\junction"));
  EXPECT_TRUE(DeleteFileA("C:\\R\\notes.lnk"));
  EXPECT_EQ(sim::Tree("C:\\R"), Names{});
  ExpectHomeIntact();
}

TEST_F(SimFilesLinks, OpeningAFileLinkOpensItsTarget) {
  HANDLE file = Open("C:\\R\\notes.lnk");
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(file, nullptr), 8u);
  EXPECT_TRUE(Write(file, "PRE"));
  CloseHandle(file);
  EXPECT_EQ(sim::Contents("C:\\home\\notes.txt"), "PREcious");

  // With FILE_FLAG_OPEN_REPARSE_POINT the link itself opens, and it holds nothing.
  file = Open("C:\\R\\notes.lnk", GENERIC_READ, 0, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(file, nullptr), 0u);
  CloseHandle(file);

  // A hard link to the link links its target.
  EXPECT_TRUE(CreateHardLinkA("C:\\R\\hard.txt", "C:\\R\\notes.lnk", nullptr));
  EXPECT_EQ(GetFileAttributesA("C:\\R\\hard.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(sim::Contents("C:\\R\\hard.txt"), "PREcious");

  // Overwriting through the link truncates the target.
  CloseHandle(Open("C:\\R\\notes.lnk", GENERIC_WRITE, 0, CREATE_ALWAYS));
  EXPECT_EQ(sim::FileSize("C:\\home\\notes.txt"), 0u);
  EXPECT_TRUE(sim::Exists("C:\\R\\notes.lnk"));
}

TEST_F(SimFilesLinks, DanglingLinksAndLoopsLeadNowhere) {
  sim::MakeLink("C:\\R\\gone", "C:\\nowhere", true);
  sim::MakeLink("C:\\R\\gone.txt", "C:\\nowhere.txt", false);
  sim::MakeLink("C:\\R\\a", "C:\\R\\b", true);
  sim::MakeLink("C:\\R\\b", "C:\\R\\a", true);
  sim::MakeLink("C:\\R\\self.txt", "C:\\R\\self.txt", false);
  EXPECT_EQ(GetFileAttributesA("C:\\R\\gone"),
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_EQ(Listing("C:\\R\\gone\\*"), Names{});
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(Open("C:\\R\\gone.txt"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetFileAttributesA("C:\\R\\a\\x"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(Open("C:\\R\\self.txt"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), 1921u) << "ERROR_CANT_RESOLVE_FILENAME";
  EXPECT_TRUE(RemoveDirectoryA("C:\\R\\gone"));
  EXPECT_TRUE(DeleteFileA("C:\\R\\gone.txt"));
}

// ---- run-length contents (FileData) -------------------------------------------------

std::string Contents(const sim::FileData& data) {
  std::string bytes(data.Size(), '?');
  data.Read(0, reinterpret_cast<uint8_t*>(&bytes[0]), bytes.size());
  return bytes;
}

void Write(sim::FileData* data, uint64_t offset, const std::string& bytes) {
  data->Write(offset, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// Random writes (uniform and mixed, inside, across and past the end), fills
// and resizes against a plain string doing the same, each followed by a
// comparison of the whole contents, a partial read and AllAre at a random point.
TEST(SimFileData, AgreesWithAPlainStringUnderRandomOperations) {
  std::mt19937 random(20231114);
  auto below = [&](uint64_t n) { return std::uniform_int_distribution<uint64_t>(0, n)(random); };
  sim::FileData data;
  std::string model;
  for (int step = 0; step < 3000; ++step) {
    uint64_t offset = below(model.size() + 20), count = below(40), kind = below(3);
    char byte = static_cast<char>(below(2));  // few values, so runs meet and merge
    if (kind == 3) {
      data.Resize(offset);
      model.resize(offset, '\0');
    } else {
      std::string bytes(count, byte);
      if (kind == 1)
        for (char& c : bytes) c = static_cast<char>(below(3));
      if (kind == 2)
        data.Fill(offset, count, static_cast<uint8_t>(byte));
      else
        Write(&data, offset, bytes);
      // An empty write changes nothing, not even the size.
      if (count && model.size() < offset + count) model.resize(offset + count, '\0');
      if (count) model.replace(offset, count, bytes);
    }
    ASSERT_EQ(Contents(data), model) << "step " << step;

    uint64_t from = below(model.size() + 2), length = below(model.size() + 2);
    std::string part(length, '?');
    data.Read(from, reinterpret_cast<uint8_t*>(&part[0]), length);
    std::string expected = from < model.size() ? model.substr(from, length) : "";
    ASSERT_EQ(part.substr(0, expected.size()), expected) << "step " << step;
    bool all = from >= model.size() || model.find_first_not_of(byte, from) == std::string::npos;
    ASSERT_EQ(data.AllAre(from, static_cast<uint8_t>(byte)), all) << "step " << step;
  }
}

// The eraser's 5 GiB file: half a million 10000-byte writes stay one run,
// and so do zeros over mixed bytes between two runs of zeros.
TEST(SimFileData, UniformWritesMergeIntoOneRun) {
  sim::FileData data;
  const std::string zeros(10000, '\0');
  auto start = std::chrono::steady_clock::now();
  for (uint64_t i = 0; i < 500000; ++i) Write(&data, i * 10000, zeros);
  auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(data.Size(), 5000000000ull);
  EXPECT_EQ(data.RunCount(), 1u);
  EXPECT_LT(seconds, 20.0);
  Write(&data, 12345, "mixed bytes");
  EXPECT_EQ(data.RunCount(), 3u);
  Write(&data, 12340, zeros);
  EXPECT_EQ(data.RunCount(), 1u);
  EXPECT_TRUE(data.AllAre(0, 0));
}

}  // namespace
