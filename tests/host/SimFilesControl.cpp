// The file system's side of the sim's control API: the machine tests start
// from, building helpers, injected failures, the call log and the dump.
#include <functional>

#include "tests/host/SimFiles.h"

namespace {

using SimFilesControl = SimFiles;

TEST_F(SimFilesControl, FreshMachineHasTheSystemFolders) {
  for (const char* folder : {"C:\\", "C:\\windows", "C:\\users\\user", "C:\\users\\user\\Temp"})
    EXPECT_TRUE(sim::IsDir(folder)) << folder;
  EXPECT_EQ(Listing(std::string(sim::kTempDir) + "*.*"), (Names{".", ".."}));
  EXPECT_EQ(sim::Attributes("C:\\nowhere"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(sim::Attributes("D:\\"), INVALID_FILE_ATTRIBUTES) << "no second drive";
}

TEST_F(SimFilesControl, ResetForgetsFilesAndHandles) {
  sim::MakeFile("C:\\x\\f.txt", "f");
  HANDLE held = sim::HoldOpen("C:\\x\\f.txt", GENERIC_READ, 0);
  sim::Reset();
  EXPECT_FALSE(sim::Exists("C:\\x"));
  EXPECT_EQ(sim::Dump().find("open "), std::string::npos);
  EXPECT_FALSE(CloseHandle(held));
}

TEST_F(SimFilesControl, BuildersMakeParentsAndKeepAttributesAsGiven) {
  sim::MakeFile("C:\\a\\b\\plain.txt", "p");
  sim::MakeFile("C:\\a\\b\\marked.ini", "m", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  sim::MakeDir("C:\\a\\locked", FILE_ATTRIBUTE_READONLY);
  sim::AddDrive('d');
  sim::MakeFile("D:\\other.txt");
  EXPECT_TRUE(sim::IsDir("C:\\a\\b"));
  EXPECT_EQ(sim::Attributes("C:\\a\\b\\plain.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(sim::Attributes("c:/A/B/MARKED.INI"),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(sim::Attributes("C:\\a\\locked"),
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(sim::Exists("D:\\other.txt"));
  // Making a file again replaces its contents.
  sim::MakeFile("C:\\a\\b\\plain.txt", "again");
  EXPECT_EQ(sim::Contents("C:\\a\\b\\plain.txt"), "again");
  EXPECT_EQ(sim::Tree("C:\\a"),
            (Names{"C:\\a\\b", "C:\\a\\b\\marked.ini", "C:\\a\\b\\plain.txt", "C:\\a\\locked"}));
}

TEST_F(SimFilesControl, BigFileIsOverwrittenToItsEnd) {
  const uint64_t kSize = 5ull << 30;  // 5 GiB
  const std::string path = "C:\\big\\movie.avi";
  sim::MakeBigFile(path, kSize, 0xAB);
  HANDLE file = Open(path, GENERIC_WRITE);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD high = 0;
  EXPECT_EQ(GetFileSize(file, &high), 0x40000000u) << "the low 32 bits of 5 GiB";
  EXPECT_EQ(high, 1u);
  EXPECT_EQ(GetFileSize(file, nullptr), 0x40000000u) << "without the high word, as well";
  LARGE_INTEGER size;
  ASSERT_TRUE(GetFileSizeEx(file, &size));
  EXPECT_EQ(static_cast<uint64_t>(size.QuadPart), kSize);

  sim::SetCallLogging(false);
  const std::string zeros(10000, '\0');
  for (uint64_t at = 0; at + zeros.size() <= kSize; at += zeros.size())
    ASSERT_TRUE(Write(file, zeros));
  EXPECT_FALSE(sim::BytesAre(path, 0, 0)) << "the last bytes are not written yet";
  EXPECT_TRUE(Write(file, std::string(kSize % zeros.size(), '\0')));
  sim::SetCallLogging(true);
  CloseHandle(file);
  EXPECT_EQ(sim::FileSize(path), kSize);
  EXPECT_TRUE(sim::BytesAre(path, 0, 0));
  EXPECT_TRUE(sim::BytesAre(path, kSize - 1, 0));
}

TEST_F(SimFilesControl, BytesAreLooksFromTheGivenOffset) {
  sim::MakeBigFile("C:\\f.bin", 100, 0);
  HANDLE file = Open("C:\\f.bin");
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(Write(file, "header"));
  CloseHandle(file);
  EXPECT_FALSE(sim::BytesAre("C:\\f.bin", 0, 0));
  EXPECT_FALSE(sim::BytesAre("C:\\f.bin", 5, 0));
  EXPECT_TRUE(sim::BytesAre("C:\\f.bin", 6, 0));
  EXPECT_FALSE(sim::BytesAre("C:\\missing", 0, 0));
}

// An injected failure hits the call on its subject only, with the status
// asked for, as many times as asked; the subject is the path as passed with
// its separators put right.
TEST_F(SimFilesControl, InjectedFailuresHitTheirSubjectOnly) {
  sim::MakeFile("C:\\d\\a.txt");
  sim::MakeFile("C:\\d\\b.txt");
  sim::FailCall("DeleteFileA", ERROR_SHARING_VIOLATION, "c:\\D\\A.TXT", 1);
  EXPECT_TRUE(DeleteFileA("C:\\d\\b.txt"));
  EXPECT_FALSE(DeleteFileA("C:\\\\d//a.txt"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_TRUE(sim::Exists("C:\\d\\a.txt"));
  EXPECT_TRUE(DeleteFileA("C:\\d\\a.txt")) << "the failure was for once";
}

struct Injected {
  const char* call;
  std::function<bool()> attempt;  // true when the call answered success
};

class SimFilesInjection : public SimFiles, public ::testing::WithParamInterface<Injected> {};

TEST_P(SimFilesInjection, MakesTheCallFailWithTheStatus) {
  sim::MakeFile("C:\\d\\f.txt", "data");
  sim::MakeDir("C:\\d\\sub");
  sim::FailCall(GetParam().call, ERROR_NOT_READY);
  SetLastError(ERROR_SUCCESS);
  EXPECT_FALSE(GetParam().attempt()) << GetParam().call;
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_READY)) << GetParam().call;
  EXPECT_EQ(sim::Contents("C:\\d\\f.txt"), "data") << "a failed call changes nothing";
  EXPECT_TRUE(sim::IsDir("C:\\d\\sub"));
}

// Runs `use` on the file opened to read and write; false when it cannot open.
bool WithFile(const std::function<bool(HANDLE)>& use) {
  HANDLE file = CreateFileA("C:\\d\\f.txt", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = use(file);
  DWORD error = GetLastError();
  CloseHandle(file);
  SetLastError(error);
  return ok;
}

INSTANTIATE_TEST_SUITE_P(
    Calls, SimFilesInjection,
    ::testing::Values(
        Injected{"CreateFileA", [] { return WithFile([](HANDLE) { return true; }); }},
        Injected{"WriteFile",
                 [] {
                   return WithFile([](HANDLE f) {
                     DWORD n;
                     return WriteFile(f, "XXXX", 4, &n, nullptr) != FALSE;
                   });
                 }},
        Injected{"ReadFile",
                 [] {
                   return WithFile([](HANDLE f) {
                     char b[4];
                     DWORD n;
                     return ReadFile(f, b, 4, &n, nullptr) != FALSE;
                   });
                 }},
        Injected{"GetFileSizeEx",
                 [] {
                   return WithFile([](HANDLE f) {
                     LARGE_INTEGER s;
                     return GetFileSizeEx(f, &s) != FALSE;
                   });
                 }},
        Injected{"GetFileSize",
                 [] {
                   return WithFile(
                       [](HANDLE f) { return GetFileSize(f, nullptr) != INVALID_FILE_SIZE; });
                 }},
        Injected{"SetFilePointer",
                 [] {
                   return WithFile([](HANDLE f) {
                     return SetFilePointer(f, 2, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
                   });
                 }},
        Injected{"SetFilePointerEx",
                 [] {
                   return WithFile([](HANDLE f) {
                     LARGE_INTEGER d;
                     d.QuadPart = 2;
                     return SetFilePointerEx(f, d, nullptr, FILE_BEGIN) != FALSE;
                   });
                 }},
        Injected{"FlushFileBuffers",
                 [] { return WithFile([](HANDLE f) { return FlushFileBuffers(f) != FALSE; }); }},
        Injected{"DeleteFileA", [] { return DeleteFileA("C:\\d\\f.txt") != FALSE; }},
        Injected{"RemoveDirectoryA", [] { return RemoveDirectoryA("C:\\d\\sub") != FALSE; }},
        Injected{"CreateDirectoryA",
                 [] { return CreateDirectoryA("C:\\d\\new", nullptr) != FALSE; }},
        Injected{"GetFileAttributesA",
                 [] { return GetFileAttributesA("C:\\d\\f.txt") != INVALID_FILE_ATTRIBUTES; }},
        Injected{"SetFileAttributesA",
                 [] { return SetFileAttributesA("C:\\d\\sub", FILE_ATTRIBUTE_HIDDEN) != FALSE; }},
        Injected{"CreateHardLinkA",
                 [] { return CreateHardLinkA("C:\\d\\h.txt", "C:\\d\\f.txt", nullptr) != FALSE; }},
        Injected{"FindFirstFileA",
                 [] {
                   WIN32_FIND_DATAA r;
                   HANDLE h = FindFirstFileA("C:\\d\\*.*", &r);
                   if (h == INVALID_HANDLE_VALUE) return false;
                   FindClose(h);
                   return true;
                 }},
        Injected{"FindNextFileA",
                 [] {
                   WIN32_FIND_DATAA r;
                   HANDLE h = FindFirstFileA("C:\\d\\*.*", &r);
                   bool ok = FindNextFileA(h, &r) != FALSE;
                   DWORD error = GetLastError();
                   FindClose(h);
                   SetLastError(error);
                   return ok;
                 }}),
    [](const ::testing::TestParamInfo<Injected>& info) { return std::string(info.param.call); });

// The log holds each file call with the subject the failures match and the
// size or flags the tests check, such as the size of every write.
TEST_F(SimFilesControl, CallLogRecordsSizesAndFlags) {
  sim::MakeFile("C:\\d\\f.txt");
  sim::ClearCalls();
  HANDLE file = Open("C:\\d\\\\f.txt", GENERIC_WRITE);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const std::string block(10000, '\0');
  ASSERT_TRUE(Write(file, block));
  ASSERT_TRUE(Write(file, block.substr(0, 123)));
  char byte;
  DWORD got;
  ReadFile(file, &byte, 1, &got, nullptr);
  CloseHandle(file);
  SetFileAttributesA("C:\\d\\f.txt", FILE_ATTRIBUTE_READONLY);

  std::vector<sim::Call> writes = sim::CallsOf("WriteFile");
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].size, 10000u);
  EXPECT_EQ(writes[1].size, 123u);
  EXPECT_EQ(writes[1].subject, "C:\\d\\f.txt");
  ASSERT_EQ(sim::CallsOf("CreateFileA").size(), 1u);
  EXPECT_EQ(sim::CallsOf("CreateFileA")[0].flags, static_cast<DWORD>(GENERIC_WRITE));
  EXPECT_EQ(sim::CallsOf("ReadFile")[0].size, 1u) << "logged though refused";
  EXPECT_EQ(sim::CallsOf("CloseHandle")[0].subject, "C:\\d\\f.txt");
  EXPECT_EQ(sim::CallsOf("SetFileAttributesA")[0].flags,
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

TEST_F(SimFilesControl, ListingCallsAreLoggedUnderTheirPattern) {
  sim::MakeFile("C:\\d\\f.txt");
  sim::ClearCalls();
  EXPECT_EQ(Listing("C:\\d\\*.*"), (Names{".", "..", "f.txt"}));
  Names subjects;
  for (const sim::Call& call : sim::Calls()) subjects.push_back(call.name + " " + call.subject);
  EXPECT_EQ(subjects, (Names{"FindFirstFileA C:\\d\\*.*", "FindNextFileA C:\\d\\*.*",
                             "FindNextFileA C:\\d\\*.*", "FindNextFileA C:\\d\\*.*",
                             "FindClose C:\\d\\*.*"}));
}

// Another program's handle: sharing as it asked, until released.
TEST_F(SimFilesControl, HeldFileRefusesWhatItsSharingRefuses) {
  sim::MakeFile("C:\\d\\in-use.dat", "busy");
  HANDLE held = sim::HoldOpen("C:\\d\\in-use.dat", GENERIC_READ, FILE_SHARE_READ);
  EXPECT_EQ(Open("C:\\d\\in-use.dat", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(DeleteFileA("C:\\d\\in-use.dat"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  sim::Release(held);
  EXPECT_TRUE(DeleteFileA("C:\\d\\in-use.dat"));
}

TEST_F(SimFilesControl, HeldFolderIsNotRemoved) {
  sim::MakeDir("C:\\d\\busy");
  HANDLE held = sim::HoldOpen("C:\\d\\busy", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  EXPECT_FALSE(RemoveDirectoryA("C:\\d\\busy"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  sim::Release(held);
  EXPECT_TRUE(RemoveDirectoryA("C:\\d\\busy"));
}

// Deleted while another program still reads it: the name goes at once (as
// on Windows 10 and later) and the reader keeps the data until it closes.
TEST_F(SimFilesControl, DeletedFileStaysReadableThroughAnOpenHandle) {
  sim::MakeFile("C:\\d\\f.txt", "data");
  HANDLE reader = Open("C:\\d\\f.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(DeleteFileA("C:\\d\\f.txt"));
  EXPECT_FALSE(sim::Exists("C:\\d\\f.txt"));
  HANDLE fresh = Open("C:\\d\\f.txt", GENERIC_WRITE, 0, CREATE_NEW);
  EXPECT_NE(fresh, INVALID_HANDLE_VALUE) << "the name is free again";
  CloseHandle(fresh);
  char bytes[8] = {};
  DWORD got = 0;
  EXPECT_TRUE(ReadFile(reader, bytes, sizeof bytes, &got, nullptr));
  EXPECT_EQ(std::string(bytes, got), "data");
  CloseHandle(reader);
}

TEST_F(SimFilesControl, DumpShowsTreeAttributesSizesLinksAndHandles) {
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
        "jump\\  [L] -> C:\\windows\n", "open ", "C:\\d\\big.bin access=0x80000000 share=0x1 at 0",
        "listing ", "C:\\d\\*.txt, 1 names to come"})
    EXPECT_NE(dump.find(expected), std::string::npos) << "no \"" << expected << "\" in\n" << dump;
  FindClose(find);
  sim::Release(held);
}

}  // namespace
