// RegEnumKeyExA by index: the registry cleaners list sub-keys this way and
// delete them one at a time at index 0.
#include <algorithm>
#include <vector>

#include "tests/conformance/Conformance.h"

namespace {

class RegistryEnum : public Conformance {
 protected:
  void SetUp() override {
    Conformance::SetUp();
    if (HasFatalFailure()) return;
    scratch_ = OpenScratchKey();
    ASSERT_NE(scratch_, nullptr);
  }
  void TearDown() override {
    if (scratch_) RegCloseKey(scratch_);
    Conformance::TearDown();
  }

  void Make(const char* name) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(scratch_, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS)
        << name;
    RegCloseKey(key);
  }
  // The name at `index`, or "<status N>".
  std::string NameAt(HKEY key, DWORD index) {
    char name[256];
    DWORD size = sizeof name;
    LONG status = RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return "<status " + std::to_string(status) + ">";
    return name;
  }

  HKEY scratch_ = nullptr;
};

const std::string kNoMoreItems = "<status 259>";

TEST_F(RegistryEnum, ListsSubKeysInCaseInsensitiveOrder) {
  for (const char* name : {"delta", "Alpha", "Zulu", "charlie", "Bravo", "echo"}) Make(name);
  std::vector<std::string> listed;
  for (DWORD i = 0; i < 10; ++i) {
    std::string name = NameAt(scratch_, i);
    if (name == kNoMoreItems) break;
    listed.push_back(name);
  }
  EXPECT_EQ(listed, (std::vector<std::string>{"Alpha", "Bravo", "charlie", "delta", "echo",
                                              "Zulu"}));
}

// The size goes in as characters with room for the NUL and comes back as the
// length without it.
TEST_F(RegistryEnum, NameSizeCountsTheNulGoingInButNotComingBack) {
  Make("Seven77");
  const struct {
    DWORD given;
    LONG status;
  } cases[] = {{8, ERROR_SUCCESS}, {200, ERROR_SUCCESS}, {7, ERROR_MORE_DATA},
               {1, ERROR_MORE_DATA}};
  for (const auto& c : cases) {
    char name[256];
    std::fill(name, name + sizeof name, 'x');
    DWORD size = c.given;
    EXPECT_EQ(RegEnumKeyExA(scratch_, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
              c.status)
        << "given " << c.given;
    if (c.status != ERROR_SUCCESS) continue;
    EXPECT_EQ(size, 7u) << "given " << c.given;
    EXPECT_EQ(std::string(name, 8), std::string("Seven77\0", 8)) << "given " << c.given;
  }
}

TEST_F(RegistryEnum, PastTheEndIsNoMoreItems) {
  EXPECT_EQ(NameAt(scratch_, 0), kNoMoreItems) << "no sub-keys";
  Make("one");
  Make("two");
  EXPECT_EQ(NameAt(scratch_, 1), "two");
  EXPECT_EQ(NameAt(scratch_, 2), kNoMoreItems);
  EXPECT_EQ(NameAt(scratch_, 100), kNoMoreItems);
}

TEST_F(RegistryEnum, DeletingIndexZeroMovesTheNextThere) {
  for (const char* name : {"C", "A", "B"}) Make(name);
  std::vector<std::string> deleted;
  for (int guard = 0; guard < 10; ++guard) {
    std::string name = NameAt(scratch_, 0);
    if (name == kNoMoreItems) break;
    ASSERT_EQ(RegDeleteKeyA(scratch_, name.c_str()), ERROR_SUCCESS) << name;
    deleted.push_back(name);
  }
  EXPECT_EQ(deleted, (std::vector<std::string>{"A", "B", "C"}));
}

TEST_F(RegistryEnum, NeedsTheRightToEnumerate) {
  Make("child");
  for (REGSAM access : {REGSAM(KEY_QUERY_VALUE), REGSAM(KEY_SET_VALUE), REGSAM(KEY_READ)}) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, access, &key), ERROR_SUCCESS);
    bool allowed = (access & KEY_ENUMERATE_SUB_KEYS) != 0;
    EXPECT_EQ(NameAt(key, 0), allowed ? "child" : "<status 5>") << "access 0x" << std::hex
                                                                 << access;
    RegCloseKey(key);
  }
}

}  // namespace
