// Fixture of the erase primitives' tests on the real Win32 API (run under
// Wine): a scratch folder per test, file helpers, and a folder link that
// leads outside the scratch folder.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"

bool UnderWine();
// Wine run as root ignores the Unix permission bits by which it models the
// read-only attribute: a read-only file can still be opened for writing there.
bool WineAsRoot();

class PrimitivesTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string Path(const std::string& name) const { return dir_ + "\\" + name; }
  void MakeDir(const std::string& name, DWORD attributes = 0);
  void MakeFile(const std::string& name, const std::string& contents = "", DWORD attributes = 0);
  bool Exists(const std::string& name) const;

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

// Whole contents of a file, read through any sharing; "<missing>" when absent.
std::string ReadAll(const std::string& path);
// Removes a folder tree, clearing read-only bits; links are removed, not entered.
void RemoveTree(const std::string& path);
// A name no earlier test of this process has used.
std::string Unique(const char* prefix);
