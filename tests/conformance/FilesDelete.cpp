// Deleting files and removing folders: DeleteFileA and RemoveDirectoryA with
// the failures the erasers must survive.
#include "tests/conformance/Conformance.h"

namespace {

class FilesDelete : public Conformance {
 protected:
  void SetUp() override {
    Conformance::SetUp();
    if (HasFatalFailure()) return;
    MakeDir("dir");
    MakeFile("dir\\inner", "in");
    MakeFile("file", "f");
    MakeFile("locked", "ro", FILE_ATTRIBUTE_READONLY);
  }
};

// A refused DeleteFileA or RemoveDirectoryA: the status, and nothing moves.
struct Refusal {
  BOOL(WINAPI* call)(LPCSTR);
  const char* name;
  DWORD windows;
  DWORD wine;
};

class FilesRefusals : public FilesDelete, public ::testing::WithParamInterface<Refusal> {};

TEST_P(FilesRefusals, LeaveEverythingInPlace) {
  EXPECT_EQ(Result(GetParam().call(Path(GetParam().name).c_str())),
            FailsWith(WindowsOrWine(GetParam().windows, GetParam().wine)))
      << GetParam().name;
  for (const char* name : {"dir", "dir\\inner", "file", "locked"})
    EXPECT_TRUE(Exists(name)) << name;
}

INSTANTIATE_TEST_SUITE_P(
    DeleteFileA, FilesRefusals,
    ::testing::Values(Refusal{DeleteFileA, "locked", ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
                      Refusal{DeleteFileA, "dir", ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
                      Refusal{DeleteFileA, "missing", ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND},
                      Refusal{DeleteFileA, "missing\\x", ERROR_PATH_NOT_FOUND,
                              ERROR_PATH_NOT_FOUND},
                      // The file is the parent of the name: NTFS says STATUS_NOT_A_DIRECTORY.
                      Refusal{DeleteFileA, "file\\x", ERROR_DIRECTORY, ERROR_PATH_NOT_FOUND},
                      Refusal{DeleteFileA, "file\\", ERROR_INVALID_NAME, ERROR_INVALID_NAME},
                      Refusal{DeleteFileA, "*", ERROR_INVALID_NAME, ERROR_INVALID_NAME}));

INSTANTIATE_TEST_SUITE_P(
    RemoveDirectoryA, FilesRefusals,
    ::testing::Values(
        Refusal{RemoveDirectoryA, "dir", ERROR_DIR_NOT_EMPTY, ERROR_DIR_NOT_EMPTY},
        Refusal{RemoveDirectoryA, "file", ERROR_DIRECTORY, ERROR_DIRECTORY},
        Refusal{RemoveDirectoryA, "missing", ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND},
        Refusal{RemoveDirectoryA, "missing\\x", ERROR_PATH_NOT_FOUND, ERROR_PATH_NOT_FOUND}));

TEST_F(FilesDelete, EmptiedFolderIsRemovedAlsoWithTrailingBackslash) {
  EXPECT_EQ(Result(DeleteFileA(Path("dir\\inner").c_str())), kSucceeds);
  EXPECT_FALSE(Exists("dir\\inner"));
  EXPECT_EQ(Result(RemoveDirectoryA(Path("dir\\").c_str())), kSucceeds);
  EXPECT_FALSE(Exists("dir"));
}

// Windows keeps a read-only folder. Wine 8 keeps no read-only bit on folders
// (the attribute reads back without it) and removes it.
TEST_F(FilesDelete, ReadOnlyFolderIsNotRemoved) {
  MakeDir("rodir");
  ASSERT_TRUE(SetFileAttributesA(Path("rodir").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesA(Path("rodir").c_str()),
            WindowsOrWine<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY,
                                 FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(Result(RemoveDirectoryA(Path("rodir").c_str())),
            WindowsOrWine(FailsWith(ERROR_ACCESS_DENIED), kSucceeds));
}

TEST_F(FilesDelete, FileOpenWithoutDeleteSharingIsNotDeleted) {
  HANDLE other = CreateFileA(Path("file").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE) << GetLastError();
  EXPECT_EQ(Result(DeleteFileA(Path("file").c_str())), FailsWith(ERROR_SHARING_VIOLATION));
  CloseHandle(other);
  EXPECT_TRUE(Exists("file"));
  EXPECT_EQ(Result(DeleteFileA(Path("file").c_str())), kSucceeds);
  EXPECT_FALSE(Exists("file"));
}

// Since Windows 10 the name goes at once; Wine, like older Windows, keeps it
// until the last handle closes. Either way the open handle still reads.
TEST_F(FilesDelete, FileOpenWithDeleteSharingIsDeleted) {
  HANDLE other =
      CreateFileA(Path("file").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE) << GetLastError();
  EXPECT_EQ(Result(DeleteFileA(Path("file").c_str())), kSucceeds);
  EXPECT_EQ(Exists("file"), WindowsOrWine(false, true));
  char byte = 0;
  DWORD got = 0;
  EXPECT_EQ(Result(ReadFile(other, &byte, 1, &got, nullptr)), kSucceeds);
  EXPECT_EQ(got, 1u);
  EXPECT_EQ(byte, 'f');
  CloseHandle(other);
  EXPECT_FALSE(Exists("file"));
}

// Another program holding a folder open without FILE_SHARE_DELETE keeps it.
TEST_F(FilesDelete, FolderHeldOpenIsNotRemoved) {
  MakeDir("held");
  HANDLE other = CreateFileA(Path("held").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE) << GetLastError();
  EXPECT_EQ(Result(RemoveDirectoryA(Path("held").c_str())), FailsWith(ERROR_SHARING_VIOLATION));
  CloseHandle(other);
  EXPECT_EQ(Result(RemoveDirectoryA(Path("held").c_str())), kSucceeds);
}

TEST_F(FilesDelete, ClearingReadOnlyLetsTheFileGo) {
  ASSERT_EQ(Result(SetFileAttributesA(Path("locked").c_str(), FILE_ATTRIBUTE_NORMAL)), kSucceeds);
  EXPECT_EQ(Result(DeleteFileA(Path("locked").c_str())), kSucceeds);
  EXPECT_FALSE(Exists("locked"));
}

}  // namespace
