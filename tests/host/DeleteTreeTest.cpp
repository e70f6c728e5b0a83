// CRegKey::DeleteTree on the simulated registry.
#include "profile/RegKey.h"
#include "tests/host/SimTest.h"

namespace {

using Keys = Names;

const char kParent[] = "Software\\Player";
const char kVictim[] = "Software\\Player\\Lists";

class DeleteTreeTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    // Lists\{a\{a1,a2}, b\b1, c} with values at every level; Keep beside it.
    for (const char* key : {"a\\a1", "a\\a2", "b\\b1", "c"}) {
      std::string path = std::string(kVictim) + "\\" + key;
      sim::MakeKey(HKEY_CURRENT_USER, path);
      sim::SetString(HKEY_CURRENT_USER, path, "v", "data");
    }
    sim::SetString(HKEY_CURRENT_USER, kVictim, "top", "data");
    sim::SetString(HKEY_CURRENT_USER, std::string(kParent) + "\\Keep", "k", "kept");
    ASSERT_EQ(parent_.Open(HKEY_CURRENT_USER, kParent, KEY_ALL_ACCESS), ERROR_SUCCESS);
    sim::ClearCalls();
  }

  bool Exists(const std::string& below) {
    return sim::KeyExists(HKEY_CURRENT_USER, std::string(kVictim) + below);
  }

  // The keys RegDeleteKeyA removed, in order, as paths below HKCU\Software\Player.
  Keys Deleted() {
    Keys keys;
    const std::string prefix = std::string("HKCU\\") + kParent + "\\";
    for (const sim::Call& call : sim::CallsOf("RegDeleteKeyA")) {
      std::string subject = call.subject;
      if (subject.compare(0, prefix.size(), prefix) == 0) subject = subject.substr(prefix.size());
      keys.push_back(subject);
    }
    return keys;
  }

  CRegKey parent_;
};

TEST_F(DeleteTreeTest, DeletesTheWholeSubtreeLeavesFirstAndClosesEveryKey) {
  EXPECT_EQ(parent_.DeleteTree("Lists"), ERROR_SUCCESS);

  EXPECT_FALSE(Exists(""));
  EXPECT_EQ(sim::SubKeys(HKEY_CURRENT_USER, kParent), Keys{"Keep"});
  EXPECT_EQ(Deleted(), (Keys{"Lists\\a\\a1", "Lists\\a\\a2", "Lists\\a", "Lists\\b\\b1",
                             "Lists\\b", "Lists\\c", "Lists"}));
  // Lists, a, a1, a2, b, b1, c: one open each, each closed again.
  EXPECT_EQ(sim::CallsOf("RegOpenKeyExA").size(), 7u);
  EXPECT_EQ(sim::CallsOf("RegCloseKey").size(), 7u);
}

TEST_F(DeleteTreeTest, AMissingKeyChangesNothingAndAnswersTheOpensStatus) {
  std::string before = MachineState();

  EXPECT_EQ(parent_.DeleteTree("NoSuchKey"), ERROR_FILE_NOT_FOUND);

  EXPECT_EQ(MachineState(), before);
}

TEST_F(DeleteTreeTest, StopsAtASubKeyThatCannotBeOpened) {
  sim::DenyAccess(HKEY_CURRENT_USER, std::string(kVictim) + "\\b", KEY_WRITE);

  EXPECT_EQ(parent_.DeleteTree("Lists"), ERROR_ACCESS_DENIED);

  EXPECT_FALSE(Exists("\\a"));  // enumerated before b: gone
  EXPECT_TRUE(Exists("\\b\\b1"));
  EXPECT_TRUE(Exists("\\c"));
  EXPECT_TRUE(Exists(""));
  EXPECT_EQ(sim::CallsOf("RegCloseKey").size(), sim::CallsOf("RegOpenKeyExA").size() - 1)
      << "every key opened is closed (the denied open held nothing)";
}

TEST_F(DeleteTreeTest, StopsAtASubKeyThatCannotBeDeleted) {
  sim::FailCall("RegDeleteKeyA", ERROR_ACCESS_DENIED,
                std::string("HKCU\\") + kVictim + "\\b\\b1");

  EXPECT_EQ(parent_.DeleteTree("Lists"), ERROR_ACCESS_DENIED);

  EXPECT_FALSE(Exists("\\a"));
  EXPECT_TRUE(Exists("\\b\\b1"));
  EXPECT_TRUE(Exists("\\c"));
  EXPECT_TRUE(sim::ValueExists(HKEY_CURRENT_USER, kVictim, "top"));
}

}  // namespace
