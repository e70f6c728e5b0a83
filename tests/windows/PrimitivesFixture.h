// Fixture of the erase primitives' tests on the real Win32 API (run under
// Wine): a scratch folder per test, file helpers, and a folder link that
// leads outside the scratch folder.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/Win32Test.h"

class PrimitivesTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string Path(const std::string& name) const { return dir_ + "\\" + name; }
  void MakeDir(const std::string& name, DWORD attributes = 0);
  void MakeFile(const std::string& name, const std::string& contents = "", DWORD attributes = 0) {
    ASSERT_TRUE(WriteAll(Path(name), contents, attributes)) << Path(name) << " " << GetLastError();
  }
  bool Exists(const std::string& name) const {
    return GetFileAttributesA(Path(name).c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  // A folder outside the scratch folder (outside the Wine prefix, in the
  // build tree, when run under Wine), removed after the test.
  std::string MakeOutsideDir();
  // A folder link at `name` leading to `target`: a Unix symbolic link under
  // Wine, a junction on Windows. False (with the reason in `why`) when the
  // platform cannot make one.
  bool MakeFolderLink(const std::string& name, const std::string& target, std::string* why);

  std::string dir_;

 private:
  std::string outside_;
  std::string link_;
};
