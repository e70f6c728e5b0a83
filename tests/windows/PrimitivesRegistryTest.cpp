// CRegKey::DeleteTree on the real registry.
#include <gtest/gtest.h>

#include <string>

#include "profile/RegKey.h"
#include "tests/windows/PrimitivesFixture.h"

namespace {

class PrimitivesRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = "Software\\TidewispTests\\" + Unique("tree");
    for (const char* key : {"Lists\\a\\a1", "Lists\\a\\a2", "Lists\\b\\b1\\deep", "Lists\\c",
                            "Keep"})
      Make(key);
    ASSERT_EQ(parent_.Open(HKEY_CURRENT_USER, base_.c_str(), KEY_ALL_ACCESS), ERROR_SUCCESS);
  }
  void TearDown() override {
    parent_.Close();
    SHDeleteKeyA(HKEY_CURRENT_USER, base_.c_str());
  }

  void Make(const std::string& below) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (base_ + "\\" + below).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("data"), 5);
    RegCloseKey(key);
  }

  bool Exists(const std::string& below) {
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, (base_ + "\\" + below).c_str(), 0, KEY_READ,
                                &key);
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    return status == ERROR_SUCCESS;
  }

  std::string base_;
  CRegKey parent_;
};

TEST_F(PrimitivesRegistry, DeletesTheWholeSubtreeAndKeepsTheParent) {
  EXPECT_EQ(parent_.DeleteTree("Lists"), ERROR_SUCCESS);

  EXPECT_FALSE(Exists("Lists"));
  EXPECT_TRUE(Exists("Keep"));
  EXPECT_TRUE(Exists(""));
}

TEST_F(PrimitivesRegistry, AMissingKeyAnswersFileNotFound) {
  EXPECT_EQ(parent_.DeleteTree("NoSuchKey"), ERROR_FILE_NOT_FOUND);

  EXPECT_TRUE(Exists("Lists\\b\\b1\\deep"));
}

}  // namespace
