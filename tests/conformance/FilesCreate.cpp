// Opening and creating files with CreateFileA: dispositions, read-only and
// hidden files, folders, and sharing between handles.
#include "tests/conformance/Conformance.h"

namespace {

class FilesCreate : public Conformance {
 protected:
  void SetUp() override {
    Conformance::SetUp();
    if (HasFatalFailure()) return;
    MakeDir("dir");
    MakeFile("file", "contents");
    MakeFile("locked", "ro", FILE_ATTRIBUTE_READONLY);
  }
  Answer Create(const std::string& name, DWORD disposition,
                DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    return Result(CreateFileA(Path(name).c_str(), GENERIC_WRITE, 0, nullptr, disposition,
                              attributes, nullptr));
  }
};

struct OpenCase {
  const char* name;
  Answer windows;
  Answer wine;
};

class FilesOpenToWrite : public FilesCreate, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(FilesOpenToWrite, AnswersAsWindows) {
  EXPECT_EQ(Result(OpenToWrite(Path(GetParam().name))),
            WindowsOrWine(GetParam().windows, GetParam().wine))
      << GetParam().name;
  EXPECT_FALSE(Exists("missing")) << "opening an existing file creates none";
}

INSTANTIATE_TEST_SUITE_P(
    OpenExisting, FilesOpenToWrite,
    ::testing::Values(
        OpenCase{"file", kSucceeds, kSucceeds},
        OpenCase{"missing", FailsWith(ERROR_FILE_NOT_FOUND), FailsWith(ERROR_FILE_NOT_FOUND)},
        OpenCase{"missing\\x", FailsWith(ERROR_PATH_NOT_FOUND), FailsWith(ERROR_PATH_NOT_FOUND)},
        OpenCase{"dir", FailsWith(ERROR_ACCESS_DENIED), FailsWith(ERROR_ACCESS_DENIED)},
        OpenCase{"file\\x", FailsWith(ERROR_DIRECTORY), FailsWith(ERROR_PATH_NOT_FOUND)},
        OpenCase{"file\\", FailsWith(ERROR_INVALID_NAME), FailsWith(ERROR_INVALID_NAME)}));

// Each row: a handle already open on the file, then a second open. Both
// directions count: the new access against the old sharing, and the new
// sharing against the old access. An open without data access checks nothing.
struct SharingCase {
  DWORD heldAccess, heldShare, access, share;
  bool opens;
};

class FilesSharing : public FilesCreate, public ::testing::WithParamInterface<SharingCase> {};

TEST_P(FilesSharing, DecidesTheSecondOpen) {
  const SharingCase& c = GetParam();
  HANDLE held = CreateFileA(Path("file").c_str(), c.heldAccess, c.heldShare, nullptr, OPEN_EXISTING,
                            0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE) << GetLastError();
  Answer second = Result(
      CreateFileA(Path("file").c_str(), c.access, c.share, nullptr, OPEN_EXISTING, 0, nullptr));
  CloseHandle(held);
  EXPECT_EQ(second, c.opens ? kSucceeds : FailsWith(ERROR_SHARING_VIOLATION))
      << std::hex << "held 0x" << c.heldAccess << "/0x" << c.heldShare << ", then 0x" << c.access
      << "/0x" << c.share;
}

constexpr DWORD kR = GENERIC_READ, kW = GENERIC_WRITE;
constexpr DWORD kShareR = FILE_SHARE_READ, kShareW = FILE_SHARE_WRITE, kShareD = FILE_SHARE_DELETE;

INSTANTIATE_TEST_SUITE_P(
    Sharing, FilesSharing,
    ::testing::Values(SharingCase{kR, kShareR, kR, kShareR, true},
                      SharingCase{kR, kShareR, kW, kShareR | kShareW, false},
                      SharingCase{kR, kShareR | kShareW, kW, kShareW, false},
                      SharingCase{kR, kShareR | kShareW, kW, kShareR | kShareW, true},
                      SharingCase{kW, kShareR, kR, kShareR, false},
                      SharingCase{kW, kShareR | kShareW, kR, kShareR | kShareW, true},
                      SharingCase{kR, 0, kR, kShareR, false}, SharingCase{kR, 0, 0, 0, true},
                      SharingCase{kR, kShareR | kShareW, DELETE, kShareR | kShareW, false},
                      SharingCase{kR, kShareR | kShareD, DELETE, kShareR, true}));

TEST_F(FilesCreate, CreateNewOnlyMakesNewFiles) {
  EXPECT_EQ(Create("file", CREATE_NEW), FailsWith(ERROR_FILE_EXISTS));
  EXPECT_EQ(ReadAll("file"), "contents");
  SetLastError(ERROR_INVALID_PARAMETER);
  EXPECT_EQ(Create("new", CREATE_NEW), kSucceeds);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(ReadAll("new"), "");
}

// Success on an existing file is told by ERROR_ALREADY_EXISTS.
TEST_F(FilesCreate, CreateAlwaysTruncatesAndOpenAlwaysKeeps) {
  EXPECT_EQ(Create("file", OPEN_ALWAYS), kSucceeds);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(ReadAll("file"), "contents");
  EXPECT_EQ(Create("file", CREATE_ALWAYS), kSucceeds);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(ReadAll("file"), "");
  EXPECT_EQ(Create("fresh", OPEN_ALWAYS), kSucceeds);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(Create("fresh2", CREATE_ALWAYS), kSucceeds);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
}

// Root ignores the permission bits by which Wine keeps the read-only attribute.
TEST_F(FilesCreate, ReadOnlyFileDoesNotOpenToWrite) {
  EXPECT_EQ(Result(OpenToWrite(Path("locked"))),
            WineAsRoot() ? kSucceeds : FailsWith(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Result(CreateFileA(Path("locked").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                               nullptr)),
            kSucceeds);
}

TEST_F(FilesCreate, CreateAlwaysRefusesReadOnlyFile) {
  EXPECT_EQ(Create("locked", CREATE_ALWAYS),
            WineAsRoot() ? kSucceeds : FailsWith(ERROR_ACCESS_DENIED));
  if (!WineAsRoot()) {
    EXPECT_EQ(ReadAll("locked"), "ro");
  }
}

// Overwriting a hidden or system file must name those attributes again.
// Wine 8 does not check this.
TEST_F(FilesCreate, CreateAlwaysOnHiddenFileNeedsTheHiddenAttribute) {
  MakeFile("hidden", "h", FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(Create("hidden", CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL),
            WindowsOrWine(FailsWith(ERROR_ACCESS_DENIED), kSucceeds));
  EXPECT_EQ(Create("hidden", CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN), kSucceeds);
  EXPECT_EQ(GetFileAttributesA(Path("hidden").c_str()),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
}

TEST_F(FilesCreate, NewFilesGetTheArchiveAttribute) {
  EXPECT_EQ(Create("plain", CREATE_NEW, FILE_ATTRIBUTE_NORMAL), kSucceeds);
  EXPECT_EQ(GetFileAttributesA(Path("plain").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(Create("marked", CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
            kSucceeds);
  EXPECT_EQ(
      GetFileAttributesA(Path("marked").c_str()),
      static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
}

TEST_F(FilesCreate, BadNamesAreNotCreated) {
  EXPECT_EQ(Create("file\\x", CREATE_ALWAYS), FailsWith(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(Create("file\\x", OPEN_ALWAYS), FailsWith(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(Create("missing\\x", CREATE_ALWAYS), FailsWith(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(Create("new\\", CREATE_ALWAYS), FailsWith(ERROR_INVALID_NAME));
  EXPECT_EQ(Create("a*b", CREATE_ALWAYS), FailsWith(ERROR_INVALID_NAME));
  EXPECT_EQ(Create("dir", CREATE_ALWAYS), FailsWith(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(Exists("new"));
}

// The ANSI calls take at most MAX_PATH characters and the NUL; Wine and
// Windows convert the name into a buffer of that size.
TEST_F(FilesCreate, OverlongNamesAreRefused) {
  std::string name(MAX_PATH - 1 - dir_.size() - 1, 'n');
  ASSERT_EQ(Path(name).size(), static_cast<size_t>(MAX_PATH - 1));
  EXPECT_EQ(Create(name, CREATE_NEW), kSucceeds);
  EXPECT_TRUE(Exists(name));
  EXPECT_EQ(Create(name + "xx", CREATE_NEW), FailsWith(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_EQ(GetFileAttributesA(Path(name + "xx").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
}

TEST_F(FilesCreate, FolderOpensOnlyWithBackupSemantics) {
  HANDLE folder = CreateFileA(Path("dir").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(folder, INVALID_HANDLE_VALUE) << GetLastError();
  char buffer[4];
  DWORD got = 0;
  EXPECT_EQ(Result(ReadFile(folder, buffer, sizeof buffer, &got, nullptr)),
            FailsWith(ERROR_INVALID_FUNCTION));
  CloseHandle(folder);
  EXPECT_EQ(Result(CreateFileA(Path("dir").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr)),
            FailsWith(ERROR_ACCESS_DENIED));
}

}  // namespace
