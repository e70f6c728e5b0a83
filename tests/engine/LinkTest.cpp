// Never through a link, on real links (Scratch.h). Wine 8 lists a Unix link
// to a folder as FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, and
// RemoveDirectoryA on it fails while its target holds anything.
#include "engine/Primitives.h"
#include "tests/engine/Scratch.h"

namespace {

const std::vector<std::pair<std::string, std::string>> kOutside = {
    {"thesis.doc", "years of work"}, {"index.dat", std::string(300, 'i')},
    {"cookies.txt", "outside cookie"}, {"desktop.ini", "[outside]"}};

std::vector<std::string> g_visits;
void Record(const std::string& folder) { g_visits.push_back(folder); }

class Links : public ScratchTest {};

TEST_F(Links, NoEraserGoesThroughAFolderLink) {
  MakeFile("tree\\own.txt", "mine");
  std::string outside = MakeLinkOut("tree\\Documents", kOutside);
  if (outside.empty()) GTEST_SKIP() << "no folder link can be made here";
  // As a starting folder (also with a trailing backslash, which Wine resolves
  // through the link), then inside a folder being walked or emptied.
  EraseFolderContents(Path("tree\\Documents"), 1, 1);
  EraseFolderContents(Path("tree\\Documents\\"), 1, 1);
  DeleteMatching(Path("tree\\Documents"), ".doc");
  g_visits.clear();
  WalkFolderTree(Path("tree\\Documents"), Record);
  WalkFolderTree(Path("tree"), Record);
  WalkFolderTree(Path("tree"), EraseNetscapeCookies);
  EraseFolderContents(Path("tree"), 1, 1);

  for (const auto& file : kOutside)
    EXPECT_EQ(ReadAll(outside + "\\" + file.first), file.second) << file.first;
  EXPECT_EQ(g_visits, std::vector<std::string>{Path("tree")});
  EXPECT_FALSE(Has("tree\\own.txt"));
}

}  // namespace
