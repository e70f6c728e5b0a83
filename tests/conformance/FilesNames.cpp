// Names and attributes: how paths are spelt and matched, GetFileAttributesA,
// SetFileAttributesA, CreateDirectoryA and hard links (CreateHardLinkA).
//
// Symbolic links and junctions are not tested here: Wine 8's
// CreateSymbolicLinkA answers TRUE and makes nothing, so a Windows program
// cannot make one under Wine. tests/host/SimFilesTest.cpp covers them.
#include "tests/conformance/Conformance.h"

namespace {

class FilesNames : public Conformance {
 protected:
  void SetUp() override {
    Conformance::SetUp();
    if (HasFatalFailure()) return;
    MakeDir("Dir");
    MakeFile("Dir\\MixedCase.Txt", "mixed");
  }
  DWORD AttributesOf(const std::string& spelling) {
    return GetFileAttributesA((dir_ + spelling).c_str());
  }
};

// Each spelling must reach Dir\MixedCase.Txt, as Win32 normalises paths
// before the file system sees them.
class FilesSpellings : public FilesNames, public ::testing::WithParamInterface<const char*> {};

TEST_P(FilesSpellings, ReachTheSameFile) {
  EXPECT_EQ(AttributesOf(GetParam()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE)) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Spellings, FilesSpellings,
                         ::testing::Values("\\Dir\\MixedCase.Txt", "\\dir\\mixedcase.txt",
                                           "\\DIR\\MIXEDCASE.TXT", "\\\\Dir\\\\\\MixedCase.Txt",
                                           "/Dir/MixedCase.Txt", "\\Dir\\.\\MixedCase.Txt",
                                           "\\Dir\\..\\Dir\\MixedCase.Txt",
                                           // Trailing periods and spaces of the last name,
                                           // and one trailing period of a folder's, go.
                                           "\\Dir\\MixedCase.Txt.", "\\Dir\\MixedCase.Txt . ",
                                           "\\Dir.\\MixedCase.Txt"));

TEST_F(FilesNames, FolderWithTrailingBackslash) {
  EXPECT_EQ(AttributesOf("\\Dir\\"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(AttributesOf("\\Dir\\\\"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

// A file named with a trailing backslash: NTFS answers that the name is
// invalid. Wine's GetFileAttributesA says the path is not found (its
// CreateFileA and DeleteFileA agree with Windows).
TEST_F(FilesNames, FileWithTrailingBackslash) {
  EXPECT_EQ(AttributesOf("\\Dir\\MixedCase.Txt\\"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), WindowsOrWine<DWORD>(ERROR_INVALID_NAME, ERROR_PATH_NOT_FOUND));
}

TEST_F(FilesNames, MissingNames) {
  EXPECT_EQ(AttributesOf("\\Dir\\missing"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(AttributesOf("\\missing\\x"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(AttributesOf("\\Dir\\MixedCase.Txt\\x"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), WindowsOrWine<DWORD>(ERROR_DIRECTORY, ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(AttributesOf("\\Dir\\*.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
}

// Names keep the case they were made with, also when overwritten under
// another spelling.
TEST_F(FilesNames, CaseIsKeptFromCreation) {
  HANDLE file = CreateFileA(Path("DIR\\MIXEDCASE.TXT").c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
  CloseHandle(file);
  EXPECT_EQ(Listing(Path("dir\\*.txt")), std::vector<std::string>{"MixedCase.Txt"});
  EXPECT_EQ(Listing(Path("*")), (std::vector<std::string>{".", "..", "Dir"}));
}

struct AttributeCase {
  DWORD set;
  DWORD reported;      // by Windows
  DWORD reportedWine;  // Wine 8 shows every plain file as ARCHIVE
};

class FilesSetAttributes : public FilesNames,
                           public ::testing::WithParamInterface<AttributeCase> {};

TEST_P(FilesSetAttributes, ReadBackOnTheFile) {
  ASSERT_EQ(Result(SetFileAttributesA(Path("Dir\\MixedCase.Txt").c_str(), GetParam().set)),
            kSucceeds);
  EXPECT_EQ(AttributesOf("\\Dir\\MixedCase.Txt"),
            WindowsOrWine(GetParam().reported, GetParam().reportedWine))
      << std::hex << "set 0x" << GetParam().set;
  SetFileAttributesA(Path("Dir\\MixedCase.Txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

constexpr DWORD kRO = FILE_ATTRIBUTE_READONLY, kH = FILE_ATTRIBUTE_HIDDEN,
                kA = FILE_ATTRIBUTE_ARCHIVE, kN = FILE_ATTRIBUTE_NORMAL;

INSTANTIATE_TEST_SUITE_P(Attributes, FilesSetAttributes,
                         ::testing::Values(AttributeCase{kN, kN, kA},
                                           AttributeCase{kRO, kRO, kRO | kA},
                                           AttributeCase{kRO | kA, kRO | kA, kRO | kA},
                                           // NORMAL is ignored beside any other attribute.
                                           AttributeCase{kN | kH, kH, kH | kA},
                                           AttributeCase{kH | kA, kH | kA, kH | kA}));

TEST_F(FilesNames, FolderAttributes) {
  ASSERT_EQ(Result(SetFileAttributesA(Path("Dir").c_str(), FILE_ATTRIBUTE_HIDDEN)), kSucceeds);
  EXPECT_EQ(AttributesOf("\\Dir"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | kH));
  ASSERT_EQ(Result(SetFileAttributesA(Path("Dir").c_str(), FILE_ATTRIBUTE_NORMAL)), kSucceeds);
  EXPECT_EQ(AttributesOf("\\Dir"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(Result(SetFileAttributesA(Path("missing").c_str(), kH)),
            FailsWith(ERROR_FILE_NOT_FOUND));
}

TEST_F(FilesNames, CreateDirectoryRefusals) {
  auto create = [&](const char* name) {
    return Result(CreateDirectoryA(Path(name).c_str(), nullptr));
  };
  EXPECT_EQ(create("Dir"), FailsWith(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(create("dir\\mixedcase.txt"), FailsWith(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(create("missing\\x"), FailsWith(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(create("Dir\\MixedCase.Txt\\x"), FailsWith(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(create("new\\"), kSucceeds);
  EXPECT_EQ(AttributesOf("\\new"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(FilesNames, HardLinksShareContentsAndAttributes) {
  const std::string first = Path("Dir\\MixedCase.Txt"), second = Path("second");
  ASSERT_EQ(Result(CreateHardLinkA(second.c_str(), first.c_str(), nullptr)), kSucceeds);
  EXPECT_EQ(ReadAll("second"), "mixed");

  HANDLE file = OpenToWrite(second);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
  DWORD written = 0;
  WriteFile(file, "M", 1, &written, nullptr);
  // Sharing is the file's: the other name is locked too.
  EXPECT_EQ(Result(OpenToWrite(first)), FailsWith(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(Result(DeleteFileA(first.c_str())), FailsWith(ERROR_SHARING_VIOLATION));
  CloseHandle(file);
  EXPECT_EQ(ReadAll("Dir\\MixedCase.Txt"), "Mixed");

  ASSERT_EQ(Result(SetFileAttributesA(first.c_str(), kRO | kH)), kSucceeds);
  EXPECT_EQ(GetFileAttributesA(second.c_str()), WindowsOrWine(kRO | kH, kRO | kH | kA));
  ASSERT_EQ(Result(SetFileAttributesA(second.c_str(), kA)), kSucceeds);
  EXPECT_EQ(GetFileAttributesA(first.c_str()), kA);

  EXPECT_EQ(Result(DeleteFileA(first.c_str())), kSucceeds);
  EXPECT_EQ(ReadAll("second"), "Mixed") << "the data stays with the other name";
}

TEST_F(FilesNames, HardLinkRefusals) {
  const std::string file = Path("Dir\\MixedCase.Txt");
  auto link = [&](const char* name, const std::string& existing) {
    return Result(CreateHardLinkA(Path(name).c_str(), existing.c_str(), nullptr));
  };
  EXPECT_EQ(link("Dir\\mixedcase.txt", file), FailsWith(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(link("new", Path("missing")), FailsWith(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(link("new", Path("Dir")), FailsWith(ERROR_ACCESS_DENIED));
  EXPECT_EQ(link("missing\\new", file), FailsWith(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(Exists("new"));
}

}  // namespace
