// Shared fixture of the conformance tests: scenarios written only against the
// Win32 calls of platform/win32.h, run on the simulated machine (host build)
// and on the real API under Wine (windows build) with the same assertions.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"

// Build-specific (SetupHost.cpp / SetupWindows.cpp).
void PrepareMachine();  // a fresh simulated machine on the host; nothing on Windows
bool UnderWine();
// Wine run as root ignores the Unix permission bits by which it models the
// read-only attribute: such a file can still be opened for writing there.
bool WineAsRoot();

class Conformance : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A scratch folder of this test (no trailing backslash) and a scratch key
  // below HKEY_CURRENT_USER; both removed after the test.
  std::string dir_;
  std::string key_;

  std::string Path(const std::string& name) const { return dir_ + "\\" + name; }
  void MakeDir(const std::string& name);
  void MakeFile(const std::string& name, const std::string& contents = "", DWORD attributes = 0);
  std::string ReadAll(const std::string& name);  // "<missing>" when it cannot be opened
  bool Exists(const std::string& name);
  HKEY OpenScratchKey();  // KEY_ALL_ACCESS, created if needed; caller closes
};

// Removes a folder tree, clearing read-only bits; used by the fixture's clean-up.
void RemoveTree(const std::string& path);
