// WalkFolderTree and the four Netscape profile visitors on the simulated machine.
#include "engine/Primitives.h"
#include "tests/host/SimTest.h"

namespace {

const char kRoot[] = "C:\\R";

// A visitor receives nothing but the path, so it records into globals: the
// folder, its attributes and how many listings had started when it came.
Names g_visits;
std::vector<DWORD> g_attributesAtVisit;
std::vector<size_t> g_listingsAtVisit;

void Record(const std::string& folder) {
  g_visits.push_back(folder);
  g_attributesAtVisit.push_back(GetFileAttributesA(folder.c_str()));
  g_listingsAtVisit.push_back(sim::CallsOf("FindFirstFileA").size());
}

class WalkTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    g_visits.clear();
    g_attributesAtVisit.clear();
    g_listingsAtVisit.clear();
  }
};

// Each folder once, in pre-order, the root before anything is listed; a
// folder's read-only bit is cleared before its visit, never the root's.
TEST_F(WalkTest, VisitsEachFolderOnceInPreOrder) {
  const DWORD kDir = FILE_ATTRIBUTE_DIRECTORY, kReadOnly = FILE_ATTRIBUTE_READONLY;
  sim::MakeDir(kRoot, kReadOnly);
  sim::MakeDir("C:\\R\\a", kReadOnly | FILE_ATTRIBUTE_HIDDEN);
  sim::MakeDir("C:\\R\\a\\b");
  sim::MakeFile("C:\\R\\a\\file.txt");
  sim::MakeDir("C:\\R\\z");

  WalkFolderTree(kRoot, Record);

  EXPECT_EQ(g_visits, (Names{"C:\\R", "C:\\R\\a", "C:\\R\\a\\b", "C:\\R\\z"}));
  EXPECT_EQ(g_attributesAtVisit,
            (std::vector<DWORD>{kDir | kReadOnly, kDir | FILE_ATTRIBUTE_HIDDEN, kDir, kDir}));
  EXPECT_EQ(g_listingsAtVisit[0], 0u);
  EXPECT_EQ(sim::CallsOf("FindFirstFileA").size(), 4u);
  EXPECT_EQ(sim::Attributes(kRoot), kDir | kReadOnly);
}

class LoneRootTest : public WalkTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(LoneRootTest, VisitsARootThatCannotBeListedOnceAndThatIsAll) {
  sim::MakeFile("C:\\file.txt");

  WalkFolderTree(GetParam(), Record);

  EXPECT_EQ(g_visits, Names{GetParam()});
}

INSTANTIATE_TEST_SUITE_P(MissingOrAFile, LoneRootTest,
                         ::testing::Values("C:\\missing", "C:\\file.txt"));

// ---- the visitors ------------------------------------------------------------------------

struct VisitorCase {
  const char* name;
  FolderVisitor visitor;
  Names files;  // below C:\R
  Names left;
};

void PrintTo(const VisitorCase& c, std::ostream* out) { *out << c.name; }

class VisitorTest : public WalkTest, public ::testing::WithParamInterface<VisitorCase> {};

TEST_P(VisitorTest, ErasesItsFilesAtEveryDepthAndNothingElse) {
  for (const std::string& file : GetParam().files) sim::MakeFile("C:\\R\\" + file, "x");

  WalkFolderTree(kRoot, GetParam().visitor);

  Names left;
  for (const std::string& path : sim::Tree(kRoot)) left.push_back(path.substr(5));
  EXPECT_EQ(left, GetParam().left);
  EXPECT_TRUE(WriteSizes().empty()) << "visitors delete; they never overwrite, index.dat neither";
}

INSTANTIATE_TEST_SUITE_P(
    Netscape, VisitorTest,
    ::testing::Values(
        VisitorCase{"cookies",
                    EraseNetscapeCookies,
                    {"cookies.txt", "Users50\\default\\Cookies.TXT", "Users50\\default\\prefs.js"},
                    {"Users50", "Users50\\default", "Users50\\default\\prefs.js"}},
        // Cache and NewCache are emptied and kept, desktop.ini in them too.
        VisitorCase{"cache",
                    EraseNetscapeCache,
                    {"p\\Cache\\0A1B2C3D", "p\\Cache\\sub\\x.gif", "p\\Cache\\desktop.ini",
                     "p\\Cache\\index.dat", "p\\NewCache\\_CACHE_001_", "p\\other\\keep.txt"},
                    {"p", "p\\Cache", "p\\Cache\\desktop.ini", "p\\NewCache", "p\\other",
                     "p\\other\\keep.txt"}},
        VisitorCase{"history",
                    EraseNetscapeHistory,
                    {"history.dat", "p\\netscape.hst", "p\\history.dat.bak"},
                    {"p", "p\\history.dat.bak"}},
        // A folder named Trash is visited like any other, not deleted.
        VisitorCase{"mail",
                    EraseNetscapeMail,
                    {"Mail\\Sent", "Mail\\Trash.msf", "Mail\\Trash\\Trash", "Mail\\Trash\\Inbox"},
                    {"Mail", "Mail\\Trash", "Mail\\Trash\\Inbox"}}),
    [](const ::testing::TestParamInfo<VisitorCase>& info) { return std::string(info.param.name); });

TEST_F(WalkTest, AReadOnlyHistoryFileSurvivesItsWalkWithoutItsBitAndGoesNextTime) {
  sim::MakeFile("C:\\R\\p\\history.dat", "h", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);

  WalkFolderTree(kRoot, EraseNetscapeHistory);

  ASSERT_TRUE(sim::Exists("C:\\R\\p\\history.dat"));
  EXPECT_EQ(sim::Attributes("C:\\R\\p\\history.dat"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));

  WalkFolderTree(kRoot, EraseNetscapeHistory);

  EXPECT_FALSE(sim::Exists("C:\\R\\p\\history.dat"));
}

// ---- links ---------------------------------------------------------------------------------

TEST_F(WalkTest, NeverWalksIntoALink) {
  sim::MakeFile("C:\\home\\cookies.txt", "outside");
  sim::MakeFile("C:\\home\\inner\\cookies.txt", "outside", FILE_ATTRIBUTE_READONLY);
  sim::MakeLink("C:\\R\\profile", "C:\\home", true);
  sim::MakeLink("C:\\R\\a\\loop", kRoot, true);
  sim::MakeLink("C:\\R\\a\\inner.lnk", "C:\\home\\inner\\cookies.txt", false);
  sim::MakeLink("C:\\R\\a\\Cache", "C:\\home", true);

  WalkFolderTree(kRoot, Record);
  for (FolderVisitor visitor : {EraseNetscapeCookies, EraseNetscapeCache})
    WalkFolderTree(kRoot, visitor);

  EXPECT_EQ(g_visits, (Names{"C:\\R", "C:\\R\\a"}));
  EXPECT_EQ(sim::Tree("C:\\home"),
            (Names{"C:\\home\\cookies.txt", "C:\\home\\inner", "C:\\home\\inner\\cookies.txt"}));
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

}  // namespace
