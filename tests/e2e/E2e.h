// Helpers of the end-to-end tests: they seed the prefix through the real API,
// start tidewisp.exe as its own process and look at what is left.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"

class E2eTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts tidewisp.exe with these arguments, waits for it; its exit code.
  DWORD RunTidewisp(const std::string& arguments);

  void SetSetting(const char* name, const std::string& text);  // REG_SZ with NUL
  std::string Setting(const char* name);                       // "<absent>" if none

  static std::string WindowsDir();
  static std::string Folder(int csidl);
  static void SeedFile(const std::string& path, const std::string& contents);  // and its folders
  static bool FileExists(const std::string& path);
};
