// RegEnumKeyExA by index: the registry cleaners list sub-keys this way and
// delete them one at a time at index 0.
#include <algorithm>

#include "tests/conformance/Conformance.h"

namespace {

class RegistryEnum : public Conformance {
 protected:
  // The name at `index`, or "<status N>".
  std::string NameAt(HKEY key, DWORD index) {
    char name[256];
    DWORD size = sizeof name;
    LONG status = RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
    return status == ERROR_SUCCESS ? name : "<status " + std::to_string(status) + ">";
  }
};

const std::string kNoMoreItems = "<status 259>";

TEST_F(RegistryEnum, ListsSubKeysInCaseInsensitiveOrder) {
  for (const char* name : {"delta", "Alpha", "Zulu", "charlie", "Bravo", "echo"}) MakeKey(name);
  EXPECT_EQ(SubKeys(scratch_), (Names{"Alpha", "Bravo", "charlie", "delta", "echo", "Zulu"}));
}

// The size goes in as characters with room for the NUL and comes back as the
// length without it.
TEST_F(RegistryEnum, NameSizeCountsTheNulGoingInButNotComingBack) {
  MakeKey("Seven77");
  for (DWORD given : {8, 200, 7, 1}) {
    char name[256];
    std::fill(name, name + sizeof name, 'x');
    DWORD size = given;
    LONG status = RegEnumKeyExA(scratch_, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(status, given > 7 ? ERROR_SUCCESS : ERROR_MORE_DATA) << "given " << given;
    if (status != ERROR_SUCCESS) continue;
    EXPECT_EQ(size, 7u) << "given " << given;
    EXPECT_EQ(std::string(name, 8), std::string("Seven77\0", 8)) << "given " << given;
  }
}

TEST_F(RegistryEnum, PastTheEndIsNoMoreItems) {
  EXPECT_EQ(NameAt(scratch_, 0), kNoMoreItems) << "no sub-keys";
  MakeKey("one");
  MakeKey("two");
  EXPECT_EQ(NameAt(scratch_, 1), "two");
  EXPECT_EQ(NameAt(scratch_, 2), kNoMoreItems);
  EXPECT_EQ(NameAt(scratch_, 100), kNoMoreItems);
}

TEST_F(RegistryEnum, DeletingIndexZeroMovesTheNextThere) {
  for (const char* name : {"C", "A", "B"}) MakeKey(name);
  Names deleted;
  for (std::string name; deleted.size() < 10 && (name = NameAt(scratch_, 0)) != kNoMoreItems;) {
    ASSERT_EQ(RegDeleteKeyA(scratch_, name.c_str()), ERROR_SUCCESS) << name;
    deleted.push_back(name);
  }
  EXPECT_EQ(deleted, (Names{"A", "B", "C"}));
}

TEST_F(RegistryEnum, NeedsTheRightToEnumerate) {
  MakeKey("child");
  for (REGSAM access : {REGSAM(KEY_QUERY_VALUE), REGSAM(KEY_SET_VALUE), REGSAM(KEY_READ)}) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, access, &key), ERROR_SUCCESS);
    EXPECT_EQ(NameAt(key, 0), access == KEY_READ ? "child" : "<status 5>") << std::hex << access;
    RegCloseKey(key);
  }
}

}  // namespace
