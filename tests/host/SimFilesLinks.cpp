// Links in the simulated file system: directory junctions and symbolic links
// to files, as Windows treats them. Wine 8 cannot make them from a Windows
// program (its CreateSymbolicLinkA answers TRUE and makes nothing), so these
// behaviours are pinned here, from Microsoft's documentation of the calls.
#include "tests/host/SimFiles.h"

namespace {

class SimFilesLinks : public SimFiles {
 protected:
  void SetUp() override {
    SimFiles::SetUp();
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
};

TEST_F(SimFilesLinks, AttributesAreTheLinksOwn) {
  EXPECT_EQ(GetFileAttributesA("C:\\R\\junction"),
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_EQ(GetFileAttributesA("C:\\R\\notes.lnk"),
            static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT));
  // Setting them changes the link, never what it leads to.
  EXPECT_TRUE(SetFileAttributesA("C:\\R\\notes.lnk", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesA("C:\\R\\notes.lnk"),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_EQ(sim::Attributes("C:\\home\\notes.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
}

TEST_F(SimFilesLinks, ListingShowsTheLinkEntryNotItsTarget) {
  WIN32_FIND_DATAA record;
  HANDLE find = FindFirstFileA("C:\\R\\notes.lnk", &record);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  FindClose(find);
  EXPECT_EQ(record.dwFileAttributes,
            static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_EQ(record.nFileSizeLow, 0u) << "the link's own size";
  EXPECT_EQ(record.dwReserved0, 0xA000000Cu) << "IO_REPARSE_TAG_SYMLINK";
  find = FindFirstFileA("C:\\R\\junction", &record);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  FindClose(find);
  EXPECT_EQ(record.dwReserved0, 0xA0000003u) << "IO_REPARSE_TAG_MOUNT_POINT";
}

TEST_F(SimFilesLinks, PathsThroughADirectoryLinkReachTheTarget) {
  EXPECT_EQ(Listing("C:\\R\\junction\\*.*"), (Names{".", "..", "deep", "notes.txt"}));
  EXPECT_EQ(GetFileAttributesA("C:\\R\\junction\\deep\\more.txt"),
            static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_TRUE(DeleteFileA("C:\\R\\junction\\deep\\more.txt"));
  EXPECT_FALSE(sim::Exists("C:\\home\\deep\\more.txt"));
}

TEST_F(SimFilesLinks, RemovingADirectoryLinkLeavesItsTarget) {
  EXPECT_FALSE(DeleteFileA("C:\\R\\junction"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(RemoveDirectoryA("C:\\R\\junction")) << "though its target is not empty";
  EXPECT_FALSE(sim::Exists("C:\\R\\junction"));
  ExpectHomeIntact();
}

TEST_F(SimFilesLinks, DeletingAFileLinkLeavesItsTarget) {
  EXPECT_FALSE(RemoveDirectoryA("C:\\R\\notes.lnk"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
  EXPECT_TRUE(DeleteFileA("C:\\R\\notes.lnk"));
  EXPECT_FALSE(sim::Exists("C:\\R\\notes.lnk"));
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

  // Overwriting through the link truncates the target.
  file = Open("C:\\R\\notes.lnk", GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  EXPECT_EQ(sim::FileSize("C:\\home\\notes.txt"), 0u);
  EXPECT_TRUE(sim::Exists("C:\\R\\notes.lnk"));
}

TEST_F(SimFilesLinks, HardLinkToASymbolicLinkLinksItsTarget) {
  EXPECT_TRUE(CreateHardLinkA("C:\\R\\hard.txt", "C:\\R\\notes.lnk", nullptr));
  EXPECT_EQ(GetFileAttributesA("C:\\R\\hard.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(sim::Contents("C:\\R\\hard.txt"), "precious");
}

TEST_F(SimFilesLinks, DanglingLinksStandButLeadNowhere) {
  sim::MakeLink("C:\\R\\gone", "C:\\nowhere", true);
  sim::MakeLink("C:\\R\\gone.txt", "C:\\nowhere.txt", false);
  EXPECT_EQ(GetFileAttributesA("C:\\R\\gone"),
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_EQ(Listing("C:\\R\\gone\\*"), Names{});
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(Open("C:\\R\\gone.txt"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(RemoveDirectoryA("C:\\R\\gone"));
  EXPECT_TRUE(DeleteFileA("C:\\R\\gone.txt"));
}

TEST_F(SimFilesLinks, LinkLoopsEndInAFailure) {
  sim::MakeLink("C:\\R\\a", "C:\\R\\b", true);
  sim::MakeLink("C:\\R\\b", "C:\\R\\a", true);
  EXPECT_EQ(GetFileAttributesA("C:\\R\\a\\x"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  sim::MakeLink("C:\\R\\self.txt", "C:\\R\\self.txt", false);
  EXPECT_EQ(Open("C:\\R\\self.txt"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), 1921u) << "ERROR_CANT_RESOLVE_FILENAME";
}

// A link's chain is followed to its end.
TEST_F(SimFilesLinks, ChainsOfLinksAreFollowed) {
  sim::MakeLink("C:\\R\\second", "C:\\R\\junction", true);
  EXPECT_EQ(sim::Contents("C:\\R\\second\\notes.txt"), "precious");
  EXPECT_EQ(Listing("C:\\R\\second\\deep\\*.txt"), Names{"more.txt"});
}

}  // namespace
