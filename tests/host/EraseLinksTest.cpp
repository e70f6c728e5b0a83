// Never through a link: the erasers remove links where they empty a folder,
// and leave what the links lead to exactly as it was.
#include "engine/Primitives.h"
#include "tests/host/SimTest.h"

namespace {

const char kRoot[] = "C:\\R";

// Somewhere a link can lead: files and a folder that must all survive,
// index.dat and desktop.ini included.
class EraseLinksTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    sim::MakeFile("C:\\home\\notes.txt", "precious");
    sim::MakeFile("C:\\home\\index.dat", std::string(300, 'h'));
    sim::MakeFile("C:\\home\\ro.txt", "ro", FILE_ATTRIBUTE_READONLY);
    sim::MakeFile("C:\\home\\deep\\more.txt", "more");
    sim::MakeFile("C:\\home\\deep\\desktop.ini", "[home]");
    before_ = Snapshot();
  }

  // The outside world: every path below C:\home with its attributes and contents.
  std::string Snapshot() {
    std::string all;
    for (const std::string& path : sim::Tree("C:\\home")) {
      all += path + " attributes=" + std::to_string(sim::Attributes(path));
      if (!sim::IsDir(path)) all += " \"" + sim::Contents(path) + "\"";
      all += "\n";
    }
    return all;
  }

  std::string before_;
};

// Folder and file links, index.dat links included, and links back into the
// tree: each link goes, nothing is opened or written through one, and no
// call names anything outside.
TEST_F(EraseLinksTest, RemovesLinksWithoutTouchingTheirTargets) {
  sim::MakeLink("C:\\R\\junction", "C:\\home", true);
  sim::MakeLink("C:\\R\\sub\\file.lnk", "C:\\home\\notes.txt", false);
  sim::MakeLink("C:\\R\\index.dat", "C:\\home\\index.dat", false);
  sim::MakeLink("C:\\R\\sub\\INDEX.DAT", "C:\\home\\index.dat", false);
  sim::MakeLink("C:\\R\\sub\\deep\\up", kRoot, true);
  sim::MakeLink("C:\\R\\sub\\self", "C:\\R\\sub", true);
  sim::MakeFile("C:\\R\\sub\\own.txt", "mine");

  EraseFolderContents(kRoot, 1, 1);

  EXPECT_EQ(sim::Tree(kRoot), Names{});
  EXPECT_TRUE(sim::IsDir(kRoot));
  EXPECT_EQ(Snapshot(), before_);
  EXPECT_TRUE(sim::CallsOf("CreateFileA").empty());
  for (const sim::Call& call : sim::Calls())
    EXPECT_EQ(call.subject.find("C:\\home"), std::string::npos) << call.name;
}

TEST_F(EraseLinksTest, LeavesADesktopIniLinkWhenDesktopIniIsKept) {
  sim::MakeLink("C:\\R\\desktop.ini", "C:\\home\\deep\\desktop.ini", false);

  EraseFolderContents(kRoot, 0, 0);

  EXPECT_EQ(sim::Tree(kRoot), Names{"C:\\R\\desktop.ini"});
  EXPECT_EQ(Snapshot(), before_);
}

class LinkRootTest : public EraseLinksTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(LinkRootTest, DoesNotListAStartingFolderThatIsALink) {
  // As a Wine prefix's Documents leads to the Unix home directory.
  sim::MakeLink("C:\\users\\user\\Docs", "C:\\home", true);
  sim::MakeLink("C:\\users\\user\\Docs2", "C:\\users\\user\\Docs", true);

  EraseFolderContents(GetParam(), 1, 1);
  DeleteMatching(GetParam(), ".txt");

  EXPECT_EQ(Snapshot(), before_);
  EXPECT_TRUE(sim::CallsOf("FindFirstFileA").empty());
  EXPECT_TRUE(sim::Exists(GetParam()));
}

// A link, the same with its backslash, and a chain of links.
INSTANTIATE_TEST_SUITE_P(Roots, LinkRootTest,
                         ::testing::Values("C:\\users\\user\\Docs", "C:\\users\\user\\Docs\\",
                                           "C:\\users\\user\\Docs2"));

TEST_F(EraseLinksTest, ErasesBelowARealFolderReachedThroughALinkOnTheWay) {
  // Only the starting folder itself is tested: a path through a link on the
  // way (as "C:\Documents and Settings\..." is on current Windows) is used.
  sim::MakeLink("C:\\via", "C:\\real", true);
  sim::MakeFile("C:\\real\\cache\\a.txt");

  EraseFolderContents("C:\\via\\cache", 0, 0);

  EXPECT_EQ(sim::Tree("C:\\real\\cache"), Names{});
  EXPECT_EQ(Snapshot(), before_);
}

TEST_F(EraseLinksTest, WipeFileLeavesALinkAndItsTargetAlone) {
  sim::MakeLink("C:\\R\\listed.txt", "C:\\home\\notes.txt", false);

  WipeFile("C:\\R\\listed.txt");

  EXPECT_TRUE(sim::Exists("C:\\R\\listed.txt"));
  EXPECT_EQ(Snapshot(), before_);
  EXPECT_TRUE(sim::CallsOf("CreateFileA").empty());
}

}  // namespace
