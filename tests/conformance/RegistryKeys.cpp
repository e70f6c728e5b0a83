// Registry keys: RegCreateKeyExA, RegOpenKeyExA, RegCloseKey, RegDeleteKeyA
// and SHDeleteKeyA, as the settings code and the registry cleaners use them.
#include <functional>

#include "tests/conformance/Conformance.h"

namespace {

class RegistryKeys : public Conformance {
 protected:
  LONG Create(const char* name, HKEY* key, DWORD* disposition = nullptr) {
    return RegCreateKeyExA(scratch_, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                           nullptr, key, disposition);
  }
  // The disposition of creating the key, which is closed again; 0 on failure.
  DWORD Disposition(const char* name) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (Create(name, &key, &disposition) != ERROR_SUCCESS) return 0;
    RegCloseKey(key);
    return disposition;
  }
  // Creates the key with a value "name" = "v".
  void MakeWithValue(const char* name) {
    HKEY key = nullptr;
    ASSERT_EQ(Create(name, &key), ERROR_SUCCESS) << name;
    ASSERT_EQ(RegSetValueExA(key, "name", 0, REG_SZ, reinterpret_cast<const BYTE*>("v"), 2),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
};

TEST_F(RegistryKeys, CreateMakesIntermediateKeysAndTellsWhetherItDid) {
  const DWORD kNew = REG_CREATED_NEW_KEY, kOpened = REG_OPENED_EXISTING_KEY;
  EXPECT_EQ(Disposition("a\\b\\c"), kNew);  // a and a\b come with it
  EXPECT_EQ(Disposition("a\\b\\c"), kOpened);
  EXPECT_EQ(Disposition("a\\b"), kOpened);
  EXPECT_EQ(Disposition("a\\b\\d"), kNew);
  EXPECT_EQ(Disposition("a"), kOpened);
  EXPECT_EQ(SubKeys(scratch_), Names{"a"});
}

// Creating or deleting a sub-key is checked against the keys themselves, not
// against the rights the parent handle was opened with.
TEST_F(RegistryKeys, ParentHandleRightsDoNotMatterForSubKeys) {
  HKEY reader = nullptr, child = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_QUERY_VALUE, &reader),
            ERROR_SUCCESS);
  EXPECT_EQ(
      RegCreateKeyExA(reader, "child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
      ERROR_SUCCESS);
  RegCloseKey(child);
  EXPECT_EQ(RegDeleteKeyA(reader, "child"), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists("child"));
  RegCloseKey(reader);
}

TEST_F(RegistryKeys, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  ASSERT_EQ(MakeKey("MixedCase\\Inner"), ERROR_SUCCESS);
  EXPECT_TRUE(KeyExists("mixedcase"));
  EXPECT_TRUE(KeyExists("MIXEDCASE\\inner"));
  EXPECT_EQ(Disposition("MIXEDCASE"), static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  EXPECT_EQ(SubKeys(scratch_), Names{"MixedCase"});
}

// Windows NT refuses a relative key path that begins with a backslash
// (ERROR_BAD_PATHNAME), whether opening or creating, so a name joined on with
// one backslash too many fails rather than landing somewhere. Wine 8 answers
// the same.
TEST_F(RegistryKeys, LeadingBackslashIsABadPath) {
  HKEY key = scratch_;
  EXPECT_EQ(Create("\\RecentFileList", &key), ERROR_BAD_PATHNAME);
  ASSERT_EQ(MakeKey("RecentFileList"), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExA(scratch_, "\\RecentFileList", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
  EXPECT_EQ(SubKeys(scratch_), Names{"RecentFileList"});
}

// Only the first character is held against a path: further backslashes,
// trailing or doubled, separate nothing.
TEST_F(RegistryKeys, ExtraBackslashesNameTheSameKey) {
  ASSERT_EQ(MakeKey("Sub\\"), ERROR_SUCCESS);
  EXPECT_TRUE(KeyExists("Sub\\\\"));
  ASSERT_EQ(MakeKey("Sub\\\\Inner"), ERROR_SUCCESS);
  EXPECT_TRUE(KeyExists("Sub\\Inner\\"));
  EXPECT_EQ(SubKeys(scratch_), Names{"Sub"});
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
    ASSERT_EQ(RegSetValueExA(again, "shared", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2),
              ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(again), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(scratch_, "shared", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS)
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
  HKEY key = nullptr, unused = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS)
      << "the root still works after being closed";
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE) << "closed twice";
  EXPECT_EQ(RegOpenKeyExA(key, "x", 0, KEY_READ, &unused), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
}

// RegDeleteKeyA refuses a key with sub-keys (NT's STATUS_CANNOT_DELETE); a
// key's values go with it; an empty name deletes the handle's own key.
TEST_F(RegistryKeys, DeleteKeyRefusesAKeyWithSubKeys) {
  MakeWithValue("parent\\child");
  EXPECT_EQ(RegDeleteKeyA(scratch_, "parent"), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(KeyExists("parent\\child"));
  EXPECT_EQ(RegDeleteKeyA(scratch_, "parent\\child"), ERROR_SUCCESS);
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(Create("parent\\child", &key, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  EXPECT_EQ(RegQueryValueExA(key, "name", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND)
      << "the value went with its key";
  EXPECT_EQ(RegDeleteKeyA(key, ""), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists("parent\\child"));
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
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

TEST_F(RegistryKeys, ShellDeletesAWholeSubtreeWithItsValues) {
  for (const char* path : {"tree\\a\\x", "tree\\b", "tree", "keep", "outer\\inner\\x"})
    MakeWithValue(path);
  EXPECT_EQ(SHDeleteKeyA(scratch_, "tree"), ERROR_SUCCESS);
  EXPECT_EQ(SHDeleteKeyA(scratch_, "outer\\inner"), ERROR_SUCCESS);
  EXPECT_EQ(SubKeys(scratch_), (Names{"keep", "outer"}));
  EXPECT_FALSE(KeyExists("outer\\inner"));
}

// A handle whose key was deleted, by itself or with a subtree, still closes,
// but everything else through it answers ERROR_KEY_DELETED.
TEST_F(RegistryKeys, HandleOfADeletedKeyAnswersKeyDeleted) {
  HKEY sub = nullptr;
  char name[64];
  DWORD size = sizeof name;
  const std::pair<const char*, std::function<LONG(HKEY)>> calls[] = {
      {"query",
       [](HKEY k) { return RegQueryValueExA(k, "v", nullptr, nullptr, nullptr, nullptr); }},
      {"set", [](HKEY k) { return RegSetValueExA(k, "v", 0, REG_BINARY, nullptr, 0); }},
      {"delete value", [](HKEY k) { return RegDeleteValueA(k, "v"); }},
      {"open", [&](HKEY k) { return RegOpenKeyExA(k, "sub", 0, KEY_READ, &sub); }},
      {"create",
       [&](HKEY k) {
         return RegCreateKeyExA(k, "sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr);
       }},
      {"open itself anew", [&](HKEY k) { return RegOpenKeyExA(k, "", 0, KEY_READ, &sub); }},
      {"delete itself", [](HKEY k) { return RegDeleteKeyA(k, ""); }},
      {"shell-delete itself", [](HKEY k) { return SHDeleteKeyA(k, ""); }},
      {"enumerate",
       [&](HKEY k) {
         return RegEnumKeyExA(k, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
       }},
  };
  for (const char* doomed : {"doomed\\deep", "doomed"}) {  // itself, then with its parent
    SCOPED_TRACE(doomed);
    HKEY key = nullptr;
    ASSERT_EQ(Create("doomed\\deep", &key), ERROR_SUCCESS);
    ASSERT_EQ(std::string(doomed) == "doomed" ? SHDeleteKeyA(scratch_, doomed)
                                              : RegDeleteKeyA(scratch_, doomed),
              ERROR_SUCCESS);
    for (const auto& call : calls) EXPECT_EQ(call.second(key), ERROR_KEY_DELETED) << call.first;
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    SHDeleteKeyA(scratch_, "doomed");
  }
}

}  // namespace
