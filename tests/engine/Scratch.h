// A scratch folder per test, on the prefix's C: drive (not in the temporary
// folder, which the cleaning run erases), and a folder link out of it.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/Win32Test.h"

class ScratchTest : public ::testing::Test {
 public:
  std::string Path(const std::string& name) const { return dir_ + "\\" + name; }
  void MakeFile(const std::string& name, const std::string& contents = "", DWORD attributes = 0) {
    ASSERT_TRUE(WriteAll(Path(name), contents, attributes)) << Path(name);
  }
  bool Has(const std::string& name) const { return Exists(Path(name)); }
  // A folder link at `name` to a new folder outside the prefix (beside the
  // test program) holding `files`; a Unix symbolic link under Wine, a
  // junction on Windows. The folder, or none when no link can be made.
  std::string MakeLinkOut(const std::string& name,
                          const std::vector<std::pair<std::string, std::string>>& files);

 public:
  std::string dir_, outside_, link_;

 protected:
  void SetUp() override {
    dir_ = "C:\\twtest\\" + Unique("s");
    SHCreateDirectoryExA(nullptr, dir_.c_str(), nullptr);
  }
  void TearDown() override;
};
