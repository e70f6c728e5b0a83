// Never through a link, on real links: under Wine a Unix symbolic link to a
// folder outside the prefix (the shape of a fresh prefix's Documents, which
// leads to the home directory), on Windows a junction.
//
// Observed under Wine 8 (Debian 12), which this test depends on:
// - a Unix link to a folder is listed, and reported by GetFileAttributesA,
//   as FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
// - RemoveDirectoryA on it answers ERROR_DIR_NOT_EMPTY while its target holds
//   something, and leaves the link; when the target is empty it removes the
//   TARGET folder and answers TRUE, leaving a dangling link (Windows removes
//   the link itself). An eraser removing the links it finds can therefore
//   delete an empty folder outside its tree under Wine, and nothing more;
// - a Unix link to a file is listed as a plain file (no reparse bit), and
//   DeleteFileA on it deletes the target file and leaves the link: no Win32
//   call tells such a link apart, so the erasers cannot avoid it there;
// - CreateSymbolicLinkA answers TRUE and makes nothing.
#include <string>
#include <vector>

#include "engine/Primitives.h"
#include "tests/windows/PrimitivesFixture.h"

namespace {

// What the link leads to; none of it may change.
const std::pair<const char*, std::string> kOutside[] = {{"\\thesis.doc", "years of work"},
                                                        {"\\index.dat", std::string(300, 'i')},
                                                        {"\\cookies.txt", "outside cookie"},
                                                        {"\\Cache\\page.htm", "outside page"}};

std::vector<std::string> g_visits;

void Record(const std::string& folder) { g_visits.push_back(folder); }

class PrimitivesLink : public PrimitivesTest {
 protected:
  void SetUp() override {
    PrimitivesTest::SetUp();
    outside_ = MakeOutsideDir();
    ASSERT_TRUE(CreateDirectoryA((outside_ + "\\Cache").c_str(), nullptr));
    for (const auto& file : kOutside) ASSERT_TRUE(WriteAll(outside_ + file.first, file.second));
    MakeDir("tree");
    MakeFile("tree\\own.txt", "mine");
    std::string why;
    if (!MakeFolderLink("tree\\Documents", outside_, &why)) GTEST_SKIP() << why;
  }

  void ExpectOutsideIntact() {
    for (const auto& file : kOutside) EXPECT_EQ(ReadAll(outside_ + file.first), file.second);
  }

  std::string outside_;
};

TEST_F(PrimitivesLink, TheLinkIsReportedAsAReparsePoint) {
  DWORD attributes = GetFileAttributesA(Path("tree\\Documents").c_str());
  EXPECT_EQ(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
      << "attributes 0x" << std::hex << attributes;
}

TEST_F(PrimitivesLink, EmptyingTheParentLeavesTheTargetIntact) {
  EraseFolderContents(Path("tree"), 1, 1);

  ExpectOutsideIntact();
  EXPECT_FALSE(Exists("tree\\own.txt"));
  if (!UnderWine()) {
    EXPECT_FALSE(Exists("tree\\Documents")) << "the junction itself is removed";
  }
}

// As a starting folder, and as a folder of the user's list, which the run
// empties and then removes with RemoveDirectoryA.
TEST_F(PrimitivesLink, ALinkGivenAsTheFolderIsNotListed) {
  EraseFolderContents(Path("tree\\Documents"), 1, 1);
  EraseFolderContents(Path("tree\\Documents\\"), 1, 1);
  DeleteMatching(Path("tree\\Documents"), ".doc");
  RemoveDirectoryA(Path("tree\\Documents").c_str());

  ExpectOutsideIntact();
}

TEST_F(PrimitivesLink, TheWalkerNeitherEntersNorStartsAtALink) {
  g_visits.clear();

  WalkFolderTree(Path("tree"), Record);
  WalkFolderTree(Path("tree"), EraseNetscapeCookies);
  WalkFolderTree(Path("tree"), EraseNetscapeCache);
  WalkFolderTree(Path("tree\\Documents"), Record);
  WalkFolderTree(Path("tree\\Documents"), EraseNetscapeCookies);

  EXPECT_EQ(g_visits, std::vector<std::string>{Path("tree")});
  ExpectOutsideIntact();
}

}  // namespace
