// Registry keys: RegCreateKeyExA, RegOpenKeyExA, RegCloseKey, RegDeleteKeyA
// and SHDeleteKeyA, as the settings code and the registry cleaners use them.
#include <functional>
#include <vector>

#include "tests/conformance/Conformance.h"

namespace {

class RegistryKeys : public Conformance {
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

  LONG Create(const char* name, HKEY* key, DWORD* disposition = nullptr) {
    return RegCreateKeyExA(scratch_, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                           nullptr, key, disposition);
  }
  // Creates the key and closes it again; the status of the creation.
  LONG Make(const char* name) {
    HKEY key = nullptr;
    LONG status = Create(name, &key);
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    return status;
  }
  bool KeyExists(const char* name) {
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(scratch_, name, 0, KEY_READ, &key);
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    return status == ERROR_SUCCESS;
  }
  std::vector<std::string> SubKeyNames(HKEY key) {
    std::vector<std::string> names;
    char name[256];
    DWORD size = sizeof name;
    for (DWORD i = 0;
         RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, size = sizeof name) {
      names.push_back(name);
    }
    return names;
  }

  HKEY scratch_ = nullptr;
};

TEST_F(RegistryKeys, CreateMakesIntermediateKeysAndTellsWhetherItDid) {
  const struct {
    const char* path;
    DWORD disposition;
  } steps[] = {
      {"a\\b\\c", REG_CREATED_NEW_KEY},    // a and a\b come with it
      {"a\\b\\c", REG_OPENED_EXISTING_KEY},
      {"a\\b", REG_OPENED_EXISTING_KEY},
      {"a\\b\\d", REG_CREATED_NEW_KEY},
      {"a", REG_OPENED_EXISTING_KEY},
  };
  for (const auto& step : steps) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(Create(step.path, &key, &disposition), ERROR_SUCCESS) << step.path;
    EXPECT_EQ(disposition, step.disposition) << step.path;
    RegCloseKey(key);
  }
  EXPECT_EQ(SubKeyNames(scratch_), std::vector<std::string>{"a"});
}

// Creating or deleting a sub-key is checked against the keys themselves, not
// against the rights the parent handle was opened with.
TEST_F(RegistryKeys, ParentHandleRightsDoNotMatterForSubKeys) {
  HKEY reader = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_QUERY_VALUE, &reader),
            ERROR_SUCCESS);
  HKEY child = nullptr;
  EXPECT_EQ(RegCreateKeyExA(reader, "child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child,
                            nullptr),
            ERROR_SUCCESS);
  RegCloseKey(child);
  EXPECT_EQ(RegDeleteKeyA(reader, "child"), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists("child"));
  RegCloseKey(reader);
}

TEST_F(RegistryKeys, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  ASSERT_EQ(Make("MixedCase\\Inner"), ERROR_SUCCESS);
  EXPECT_TRUE(KeyExists("mixedcase"));
  EXPECT_TRUE(KeyExists("MIXEDCASE\\inner"));

  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(Create("MIXEDCASE", &key, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  RegCloseKey(key);
  EXPECT_EQ(SubKeyNames(scratch_), std::vector<std::string>{"MixedCase"});
}

// Windows NT refuses a relative key path that begins with a backslash
// (ERROR_BAD_PATHNAME), whether opening or creating, so a name joined on with
// one backslash too many fails rather than landing somewhere. Wine 8 answers
// the same.
TEST_F(RegistryKeys, LeadingBackslashIsABadPath) {
  HKEY key = scratch_;
  EXPECT_EQ(RegCreateKeyExA(scratch_, "\\RecentFileList", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_BAD_PATHNAME);
  ASSERT_EQ(Make("RecentFileList"), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExA(scratch_, "\\RecentFileList", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
  EXPECT_EQ(SubKeyNames(scratch_), std::vector<std::string>{"RecentFileList"});
}

// Only the first character is held against a path: further backslashes,
// trailing or doubled, separate nothing.
TEST_F(RegistryKeys, ExtraBackslashesNameTheSameKey) {
  ASSERT_EQ(Make("Sub\\"), ERROR_SUCCESS);
  EXPECT_TRUE(KeyExists("Sub\\\\"));
  ASSERT_EQ(Make("Sub\\\\Inner"), ERROR_SUCCESS);
  EXPECT_TRUE(KeyExists("Sub\\Inner\\"));
  EXPECT_EQ(SubKeyNames(scratch_), std::vector<std::string>{"Sub"});
}

TEST_F(RegistryKeys, OpeningAMissingKeyIsNotFound) {
  for (const char* path : {"absent", "absent\\deeper"}) {
    HKEY key = scratch_;
    EXPECT_EQ(RegOpenKeyExA(scratch_, path, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND) << path;
    EXPECT_EQ(key, nullptr) << path;
  }
  EXPECT_FALSE(KeyExists("absent")) << "opening does not create";
}

TEST_F(RegistryKeys, EmptySubKeyOpensTheSameKeyAnew) {
  for (const char* empty : {"", static_cast<const char*>(nullptr)}) {
    HKEY again = nullptr;
    ASSERT_EQ(RegOpenKeyExA(scratch_, empty, 0, KEY_ALL_ACCESS, &again), ERROR_SUCCESS);
    EXPECT_NE(again, scratch_);
    const BYTE data[] = "1";
    ASSERT_EQ(RegSetValueExA(again, "shared", 0, REG_SZ, data, sizeof data), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(again), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(scratch_, "shared", nullptr, nullptr, nullptr, &size),
              ERROR_SUCCESS)
        << "the first handle sees the value and outlives the second";
    EXPECT_EQ(size, 2u);
  }
  // A predefined root is answered with itself.
  HKEY root = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_READ, &root), ERROR_SUCCESS);
  EXPECT_EQ(root, HKEY_CURRENT_USER);
}

TEST_F(RegistryKeys, ClosingRootsAndBadHandles) {
  EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS)
      << "the root still works after being closed";
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE) << "closed twice";
  HKEY unused = nullptr;
  EXPECT_EQ(RegOpenKeyExA(key, "x", 0, KEY_READ, &unused), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryKeys, DeleteKeyRefusesAKeyWithSubKeys) {
  ASSERT_EQ(Make("parent\\child"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(scratch_, "parent"), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(KeyExists("parent\\child"));
  EXPECT_EQ(RegDeleteKeyA(scratch_, "parent\\child"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(scratch_, "PARENT"), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists("parent"));
}

TEST_F(RegistryKeys, DeletingAMissingKeyIsNotFound) {
  const std::string deep = key_ + "\\absent\\deeper";
  EXPECT_EQ(RegDeleteKeyA(scratch_, "absent"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, deep.c_str()), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(SHDeleteKeyA(scratch_, "absent"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(SHDeleteKeyA(HKEY_CURRENT_USER, deep.c_str()), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryKeys, DeletedKeyTakesItsValuesAlong) {
  HKEY key = nullptr;
  ASSERT_EQ(Create("leaf", &key), ERROR_SUCCESS);
  const BYTE data[] = "v";
  ASSERT_EQ(RegSetValueExA(key, "name", 0, REG_SZ, data, sizeof data), ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_EQ(RegDeleteKeyA(scratch_, "leaf"), ERROR_SUCCESS);

  DWORD disposition = 0;
  ASSERT_EQ(Create("leaf", &key, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  EXPECT_EQ(RegQueryValueExA(key, "name", nullptr, nullptr, nullptr, nullptr),
            ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST_F(RegistryKeys, EmptyNameDeletesTheHandlesOwnKey) {
  HKEY key = nullptr;
  ASSERT_EQ(Create("self", &key), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(key, ""), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists("self"));
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryKeys, ShellDeletesAWholeSubtreeWithItsValues) {
  const BYTE data[] = "v";
  for (const char* path : {"tree\\a\\x", "tree\\b", "tree", "keep", "outer\\inner\\x"}) {
    HKEY key = nullptr;
    ASSERT_EQ(Create(path, &key), ERROR_SUCCESS) << path;
    ASSERT_EQ(RegSetValueExA(key, "name", 0, REG_SZ, data, sizeof data), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  EXPECT_EQ(SHDeleteKeyA(scratch_, "tree"), ERROR_SUCCESS);
  EXPECT_EQ(SHDeleteKeyA(scratch_, "outer\\inner"), ERROR_SUCCESS);
  EXPECT_EQ(SubKeyNames(scratch_), (std::vector<std::string>{"keep", "outer"}));
  EXPECT_FALSE(KeyExists("outer\\inner"));
}

// A handle whose key was deleted, by itself or with a subtree, still closes,
// but everything else through it answers ERROR_KEY_DELETED.
TEST_F(RegistryKeys, HandleOfADeletedKeyAnswersKeyDeleted) {
  const struct {
    const char* label;
    std::function<LONG(HKEY)> call;
  } calls[] = {
      {"query",
       [](HKEY k) { return RegQueryValueExA(k, "v", nullptr, nullptr, nullptr, nullptr); }},
      {"set", [](HKEY k) { return RegSetValueExA(k, "v", 0, REG_BINARY, nullptr, 0); }},
      {"delete value", [](HKEY k) { return RegDeleteValueA(k, "v"); }},
      {"open", [](HKEY k) {
         HKEY sub = nullptr;
         return RegOpenKeyExA(k, "sub", 0, KEY_READ, &sub);
       }},
      {"create", [](HKEY k) {
         HKEY sub = nullptr;
         return RegCreateKeyExA(k, "sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr);
       }},
      {"open itself anew", [](HKEY k) {
         HKEY same = nullptr;
         return RegOpenKeyExA(k, "", 0, KEY_READ, &same);
       }},
      {"delete itself", [](HKEY k) { return RegDeleteKeyA(k, ""); }},
      {"shell-delete itself", [](HKEY k) { return SHDeleteKeyA(k, ""); }},
      {"enumerate", [](HKEY k) {
         char name[64];
         DWORD size = sizeof name;
         return RegEnumKeyExA(k, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
       }},
  };
  const struct {
    const char* label;
    std::function<LONG(HKEY scratch)> remove;
  } deletions[] = {
      {"RegDeleteKeyA", [](HKEY s) { return RegDeleteKeyA(s, "doomed\\deep"); }},
      {"SHDeleteKeyA of a parent", [](HKEY s) { return SHDeleteKeyA(s, "doomed"); }},
  };
  for (const auto& deletion : deletions) {
    SCOPED_TRACE(deletion.label);
    HKEY key = nullptr;
    ASSERT_EQ(Create("doomed\\deep", &key), ERROR_SUCCESS);
    ASSERT_EQ(deletion.remove(scratch_), ERROR_SUCCESS);
    for (const auto& call : calls) EXPECT_EQ(call.call(key), ERROR_KEY_DELETED) << call.label;
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    SHDeleteKeyA(scratch_, "doomed");
  }
}

}  // namespace
