// WalkFolderTree and the four Netscape profile visitors on the simulated machine.
#include <string>
#include <vector>

#include "engine/Primitives.h"
#include "tests/host/SimTest.h"

namespace {

using Paths = std::vector<std::string>;

const char kRoot[] = "C:\\R";

// A visitor receives nothing but the path, so it records into a global.
Paths g_visits;
std::vector<DWORD> g_attributesAtVisit;

void Record(const std::string& folder) {
  g_visits.push_back(folder);
  g_attributesAtVisit.push_back(GetFileAttributesA(folder.c_str()));
}

class WalkTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    g_visits.clear();
    g_attributesAtVisit.clear();
  }
};

TEST_F(WalkTest, VisitsEachFolderOnceInPreOrder) {
  sim::MakeDir("C:\\R\\a\\b");
  sim::MakeFile("C:\\R\\a\\file.txt");
  sim::MakeDir("C:\\R\\z");

  WalkFolderTree(kRoot, Record);

  EXPECT_EQ(g_visits, (Paths{"C:\\R", "C:\\R\\a", "C:\\R\\a\\b", "C:\\R\\z"}));
  EXPECT_EQ(sim::CallsOf("FindFirstFileA").size(), 4u);
}

TEST_F(WalkTest, VisitsTheRootBeforeListingIt) {
  sim::MakeDir("C:\\R\\a");

  WalkFolderTree(kRoot, [](const std::string& folder) {
    // The root's own visit sees no listing yet.
    if (folder == kRoot) {
      EXPECT_TRUE(sim::CallsOf("FindFirstFileA").empty());
    }
  });

  EXPECT_EQ(sim::CallsOf("FindFirstFileA").size(), 2u);
}

struct LoneRootCase {
  const char* name;
  const char* root;
};

void PrintTo(const LoneRootCase& c, std::ostream* out) { *out << c.name; }

class LoneRootTest : public WalkTest, public ::testing::WithParamInterface<LoneRootCase> {};

TEST_P(LoneRootTest, VisitsARootThatCannotBeListedOnceAndThatIsAll) {
  sim::MakeFile("C:\\file.txt");

  WalkFolderTree(GetParam().root, Record);

  EXPECT_EQ(g_visits, Paths{GetParam().root});
}

INSTANTIATE_TEST_SUITE_P(Roots, LoneRootTest,
                         ::testing::Values(LoneRootCase{"missing", "C:\\missing"},
                                           LoneRootCase{"a_file", "C:\\file.txt"}));

TEST_F(WalkTest, ClearsAFoldersReadOnlyBitBeforeItsVisitButNeverTheRoots) {
  sim::MakeDir(kRoot, FILE_ATTRIBUTE_READONLY);
  sim::MakeDir("C:\\R\\ro", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);

  WalkFolderTree(kRoot, Record);

  ASSERT_EQ(g_visits, (Paths{"C:\\R", "C:\\R\\ro"}));
  EXPECT_TRUE(g_attributesAtVisit[0] & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(g_attributesAtVisit[1] & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(g_attributesAtVisit[1] & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(sim::Attributes(kRoot) & FILE_ATTRIBUTE_READONLY);
}

// ---- the visitors ------------------------------------------------------------------------

TEST_F(WalkTest, CookiesGoAtEveryDepth) {
  sim::MakeFile("C:\\R\\cookies.txt");
  sim::MakeFile("C:\\R\\Users50\\default\\x1y2\\Cookies.TXT");
  sim::MakeFile("C:\\R\\Users50\\default\\x1y2\\prefs.js", "kept");

  WalkFolderTree(kRoot, EraseNetscapeCookies);

  EXPECT_EQ(sim::Tree(kRoot),
            (Paths{"C:\\R\\Users50", "C:\\R\\Users50\\default", "C:\\R\\Users50\\default\\x1y2",
                   "C:\\R\\Users50\\default\\x1y2\\prefs.js"}));
}

TEST_F(WalkTest, CacheVisitorEmptiesCacheAndNewCacheButKeepsThem) {
  sim::MakeFile("C:\\R\\p\\Cache\\0A1B2C3D", "page");
  sim::MakeFile("C:\\R\\p\\Cache\\sub\\x.gif", "gif");
  sim::MakeFile("C:\\R\\p\\Cache\\desktop.ini", "[kept]");
  sim::MakeFile("C:\\R\\p\\Cache\\index.dat", std::string(200, 'i'));
  sim::MakeFile("C:\\R\\p\\NewCache\\_CACHE_001_", "new");
  sim::MakeFile("C:\\R\\p\\other\\keep.txt");

  WalkFolderTree(kRoot, EraseNetscapeCache);

  EXPECT_EQ(sim::Tree(kRoot),
            (Paths{"C:\\R\\p", "C:\\R\\p\\Cache", "C:\\R\\p\\Cache\\desktop.ini",
                   "C:\\R\\p\\NewCache", "C:\\R\\p\\other", "C:\\R\\p\\other\\keep.txt"}));
  EXPECT_TRUE(sim::CallsOf("WriteFile").empty()) << "index.dat is deleted, not overwritten";
}

TEST_F(WalkTest, HistoryVisitorDeletesBothHistoryFiles) {
  sim::MakeFile("C:\\R\\history.dat");
  sim::MakeFile("C:\\R\\p\\netscape.hst");
  sim::MakeFile("C:\\R\\p\\history.dat.bak", "kept");

  WalkFolderTree(kRoot, EraseNetscapeHistory);

  EXPECT_EQ(sim::Tree(kRoot), (Paths{"C:\\R\\p", "C:\\R\\p\\history.dat.bak"}));
}

TEST_F(WalkTest, AReadOnlyHistoryFileSurvivesItsWalkWithoutItsBitAndGoesNextTime) {
  sim::MakeFile("C:\\R\\p\\history.dat", "h", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);

  WalkFolderTree(kRoot, EraseNetscapeHistory);

  ASSERT_TRUE(sim::Exists("C:\\R\\p\\history.dat"));
  EXPECT_EQ(sim::Attributes("C:\\R\\p\\history.dat"),
            static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));

  WalkFolderTree(kRoot, EraseNetscapeHistory);

  EXPECT_FALSE(sim::Exists("C:\\R\\p\\history.dat"));
}

TEST_F(WalkTest, MailVisitorDeletesMailFilesAndVisitsAFolderNamedTrash) {
  sim::MakeFile("C:\\R\\Mail\\Sent", "sent");
  sim::MakeFile("C:\\R\\Mail\\Trash.msf", "index");
  sim::MakeFile("C:\\R\\Mail\\Trash\\Trash", "inner mail");
  sim::MakeFile("C:\\R\\Mail\\Trash\\Inbox", "kept");

  WalkFolderTree(kRoot, EraseNetscapeMail);

  EXPECT_EQ(sim::Tree(kRoot), (Paths{"C:\\R\\Mail", "C:\\R\\Mail\\Trash",
                                     "C:\\R\\Mail\\Trash\\Inbox"}));
}

// ---- links ---------------------------------------------------------------------------------

TEST_F(WalkTest, NeverWalksIntoALink) {
  sim::MakeFile("C:\\home\\cookies.txt", "outside");
  sim::MakeFile("C:\\home\\inner\\cookies.txt", "outside", FILE_ATTRIBUTE_READONLY);
  sim::MakeLink("C:\\R\\profile", "C:\\home", true);
  sim::MakeLink("C:\\R\\a\\loop", kRoot, true);
  sim::MakeLink("C:\\R\\a\\inner.lnk", "C:\\home\\inner\\cookies.txt", false);

  WalkFolderTree(kRoot, Record);
  WalkFolderTree(kRoot, EraseNetscapeCookies);

  EXPECT_EQ(g_visits, (Paths{"C:\\R", "C:\\R\\a"}));
  EXPECT_EQ(sim::Contents("C:\\home\\cookies.txt"), "outside");
  EXPECT_EQ(sim::Attributes("C:\\home\\inner\\cookies.txt"),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  for (const sim::Call& call : sim::CallsOf("SetFileAttributesA"))
    ADD_FAILURE() << "attributes changed on " << call.subject;
}

TEST_F(WalkTest, NeitherVisitsNorListsARootThatIsALink) {
  sim::MakeFile("C:\\home\\Cache\\page.html", "outside");
  sim::MakeLink("C:\\users\\user\\Documents\\Profile", "C:\\home", true);

  WalkFolderTree("C:\\users\\user\\Documents\\Profile", Record);
  WalkFolderTree("C:\\users\\user\\Documents\\Profile\\", EraseNetscapeCache);

  EXPECT_TRUE(g_visits.empty());
  EXPECT_TRUE(sim::CallsOf("FindFirstFileA").empty());
  EXPECT_EQ(sim::Contents("C:\\home\\Cache\\page.html"), "outside");
}

TEST_F(WalkTest, CacheVisitorDoesNotEmptyACacheFolderThatIsALink) {
  sim::MakeFile("C:\\home\\page.html", "outside");
  sim::MakeLink("C:\\R\\p\\Cache", "C:\\home", true);

  WalkFolderTree(kRoot, EraseNetscapeCache);

  EXPECT_EQ(sim::Contents("C:\\home\\page.html"), "outside");
}

}  // namespace
