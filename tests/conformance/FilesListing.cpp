// Folder listings: FindFirstFileA, FindNextFileA, FindClose, as the tree
// walker lists a folder and erases it entry by entry.
#include <algorithm>
#include <map>

#include "tests/conformance/Conformance.h"

namespace {

class FilesListing : public Conformance {};

// NTFS keeps names sorted by their upper-case form, and Wine sorts its
// listings the same way; "." and ".." come first in any folder but a root.
TEST_F(FilesListing, DotEntriesFirstThenNamesInUpperCaseOrder) {
  for (const char* name : {"b", "A", "_x", "a1", "~t", "-m", "B2", "0", "[q"}) MakeFile(name);
  MakeDir("Z");
  EXPECT_EQ(Listing(Path("*.*")),
            (Names{".", "..", "-m", "0", "A", "a1", "b", "B2", "Z", "[q", "_x", "~t"}));
}

TEST_F(FilesListing, DriveRootHasNoDotEntries) {
  char windows[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 2u);
  Names names = Listing(std::string(windows, 3) + "*");
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(std::count(names.begin(), names.end(), "."), 0);
  EXPECT_EQ(std::count(names.begin(), names.end(), ".."), 0);
}

struct PatternCase {
  const char* pattern;
  Names names;
};

class FilesPatterns : public Conformance, public ::testing::WithParamInterface<PatternCase> {};

TEST_P(FilesPatterns, MatchNamesCaseInsensitively) {
  for (const char* name : {"x", "x.y", "Notes.txt", "b.TXT", "c.txt.bak"}) MakeFile(name);
  MakeDir("sub.txt");
  EXPECT_EQ(Listing(Path(GetParam().pattern)), GetParam().names) << GetParam().pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, FilesPatterns,
    ::testing::Values(
        PatternCase{"*.*", {".", "..", "b.TXT", "c.txt.bak", "Notes.txt", "sub.txt", "x", "x.y"}},
        PatternCase{"*", {".", "..", "b.TXT", "c.txt.bak", "Notes.txt", "sub.txt", "x", "x.y"}},
        PatternCase{"*.txt", {"b.TXT", "Notes.txt", "sub.txt"}},
        PatternCase{"*.BAK", {"c.txt.bak"}},
        // DOS rules Win32 keeps: "name.*" also finds the name without any extension.
        PatternCase{"x.*", {"x", "x.y"}}, PatternCase{"NOTES.TXT", {"Notes.txt"}},
        PatternCase{"*.zzz", {}}));

// Wine 8 keeps no archive bit and shows every plain file as ARCHIVE, also
// one whose attributes were all cleared (NORMAL) or set to read-only alone.
TEST_F(FilesListing, RecordsCarryAttributesAndSizes) {
  MakeFile("data", "12345");
  MakeFile("empty");
  MakeFile("locked", "ro", FILE_ATTRIBUTE_READONLY);
  MakeFile("plain", "p", FILE_ATTRIBUTE_NORMAL);
  MakeDir("folder");
  std::map<std::string, WIN32_FIND_DATAA> records;
  WIN32_FIND_DATAA record;
  HANDLE find = FindFirstFileA(Path("*").c_str(), &record);
  ASSERT_NE(find, INVALID_HANDLE_VALUE) << GetLastError();
  do records[record.cFileName] = record;
  while (FindNextFileA(find, &record));
  FindClose(find);

  ASSERT_EQ(records.size(), 7u);
  EXPECT_EQ(records["."].dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY,
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(records["data"].dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(records["data"].nFileSizeLow, 5u);
  EXPECT_EQ(records["data"].nFileSizeHigh, 0u);
  EXPECT_EQ(records["empty"].nFileSizeLow, 0u);
  EXPECT_EQ(records["locked"].dwFileAttributes,
            WindowsOrWine<DWORD>(FILE_ATTRIBUTE_READONLY,
                                 FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(records["plain"].dwFileAttributes,
            WindowsOrWine<DWORD>(FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(records["folder"].dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(records["folder"].nFileSizeLow, 0u);
}

struct FindFailure {
  const char* pattern;
  DWORD windows;
  DWORD wine;
};

class FilesFindFailures : public Conformance, public ::testing::WithParamInterface<FindFailure> {};

TEST_P(FilesFindFailures, GiveNoHandleAndTheStatus) {
  MakeDir("dir");
  MakeFile("file", "f");
  WIN32_FIND_DATAA record;
  HANDLE find = FindFirstFileA(Path(GetParam().pattern).c_str(), &record);
  DWORD error = GetLastError();
  EXPECT_EQ(find, INVALID_HANDLE_VALUE) << GetParam().pattern;
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  EXPECT_EQ(error, WindowsOrWine(GetParam().windows, GetParam().wine)) << GetParam().pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FilesFindFailures,
    ::testing::Values(FindFailure{"missing\\*.*", ERROR_PATH_NOT_FOUND, ERROR_PATH_NOT_FOUND},
                      FindFailure{"missing\\deeper\\*", ERROR_PATH_NOT_FOUND, ERROR_PATH_NOT_FOUND},
                      // A pattern that matches nothing in a folder that exists.
                      FindFailure{"dir\\*.zzz", ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND},
                      FindFailure{"dir\\", ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND},
                      // Wine's own tests mark this one todo_wine: Windows says the path is missing.
                      FindFailure{"missing\\", ERROR_PATH_NOT_FOUND, ERROR_FILE_NOT_FOUND},
                      // A file listed as a folder: NTFS says STATUS_NOT_A_DIRECTORY.
                      FindFailure{"file\\*.*", ERROR_DIRECTORY, ERROR_INVALID_NAME},
                      FindFailure{"file\\sub\\*", ERROR_DIRECTORY, ERROR_PATH_NOT_FOUND},
                      FindFailure{"file\\sub\\deeper\\*", ERROR_PATH_NOT_FOUND,
                                  ERROR_PATH_NOT_FOUND}));

TEST_F(FilesListing, EndOfListingSaysNoMoreFiles) {
  MakeFile("only");
  WIN32_FIND_DATAA record;
  HANDLE find = FindFirstFileA(Path("only").c_str(), &record);
  ASSERT_NE(find, INVALID_HANDLE_VALUE) << GetLastError();
  EXPECT_STREQ(record.cFileName, "only");
  EXPECT_EQ(Result(FindNextFileA(find, &record)), FailsWith(ERROR_NO_MORE_FILES));
  EXPECT_EQ(Result(FindNextFileA(find, &record)), FailsWith(ERROR_NO_MORE_FILES));
  // A listing is no kernel handle: CloseHandle refuses it, FindClose ends it.
  EXPECT_EQ(Result(CloseHandle(find)), FailsWith(ERROR_INVALID_HANDLE));
  EXPECT_EQ(Result(FindClose(find)), kSucceeds);
}

// The eraser deletes each entry as the listing delivers it, and what it
// erases below may remove entries still to come. Every entry that survives
// must still be delivered, and none twice. (Windows and Wine buffer the
// entries they read: one deleted after the listing read it may still come.)
TEST_F(FilesListing, DeletingWhileListingStillDeliversEverySurvivorOnce) {
  const Names all = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"};
  for (const std::string& name : all) MakeFile(name, name);
  std::map<std::string, int> seen;
  WIN32_FIND_DATAA record;
  HANDLE find = FindFirstFileA(Path("*.*").c_str(), &record);
  ASSERT_NE(find, INVALID_HANDLE_VALUE) << GetLastError();
  do {
    std::string name = record.cFileName;
    ++seen[name];
    if (name == "." || name == "..") continue;
    DeleteFileA(Path(name).c_str());
    if (name == "c") DeleteFileA(Path("h").c_str());
  } while (FindNextFileA(find, &record));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  FindClose(find);

  for (const std::string& name : all) {
    if (name == "h") continue;
    EXPECT_EQ(seen[name], 1) << name;
  }
  EXPECT_LE(seen["h"], 1);
  EXPECT_EQ(Listing(Path("*")), (Names{".", ".."}));
}

TEST_F(FilesListing, PathSpellingsListTheSameFolder) {
  MakeDir("dir");
  MakeFile("dir\\one");
  const Names expected = {".", "..", "one"};
  EXPECT_EQ(Listing(dir_ + "\\\\dir\\\\*.*"), expected);
  EXPECT_EQ(Listing(dir_ + "/dir/*.*"), expected);
  EXPECT_EQ(Listing(dir_ + "\\DIR\\.\\*.*"), expected);
  EXPECT_EQ(Listing(dir_ + "\\dir\\..\\dir\\*"), expected);
}

}  // namespace
