// Fixture of the host tests of the simulated file system (SimFiles*.cpp):
// what the conformance tests cannot show, because Wine cannot make it (links,
// files of gigabytes, failing calls) or because it is the sim's own control
// API and call log.
#pragma once

#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "platform/sim/Sim.h"

class SimFiles : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }
  void TearDown() override {
    if (HasFailure()) std::cout << sim::Dump();
  }

  static HANDLE Open(const std::string& path, DWORD access = GENERIC_READ | GENERIC_WRITE,
                     DWORD share = 0, DWORD disposition = OPEN_EXISTING, DWORD flags = 0) {
    return CreateFileA(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
  }
  static bool Write(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
  }
  // The names a listing delivers, in order; empty when it cannot start.
  static std::vector<std::string> Listing(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA record;
    HANDLE find = FindFirstFileA(pattern.c_str(), &record);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(record.cFileName);
    while (FindNextFileA(find, &record));
    FindClose(find);
    return names;
  }
};

using Names = std::vector<std::string>;
