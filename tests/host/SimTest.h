// Fixture of the host tests: a fresh simulated machine per test, a recording
// log view, the machine's dump printed with every failure, and what the
// program called, read back from the sim's call log.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Log.h"
#include "platform/sim/Sim.h"
#include "tests/support/Win32Test.h"

using Names = std::vector<std::string>;
using Sizes = std::vector<uint64_t>;

class RecordingView : public CRunView {
 public:
  void AddLogLine(const std::string& text) override { lines.push_back(text); }
  HWND GetSafeHwnd() const override { return hwnd; }
  Names lines;
  HWND hwnd = nullptr;
};

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    g_bSilent = 0;
    g_pRunView = &view_;
  }
  void TearDown() override {
    g_pRunView = nullptr;
    g_bSilent = 0;
    if (HasFailure()) std::cout << sim::Dump();
  }
  RecordingView view_;
};

// The byte count of every WriteFile so far, in order.
inline Sizes WriteSizes() {
  Sizes sizes;
  for (const sim::Call& call : sim::CallsOf("WriteFile")) sizes.push_back(call.size);
  return sizes;
}

// The calls that open, size, position, write, flush, close and delete files,
// in the order they were made.
inline Names FileCallNames() {
  static const std::string kFileCalls =
      " CreateFileA GetFileSize GetFileSizeEx SetFilePointer SetFilePointerEx WriteFile "
      "FlushFileBuffers CloseHandle DeleteFileA ";
  Names names;
  for (const sim::Call& call : sim::Calls())
    if (kFileCalls.find(" " + call.name + " ") != std::string::npos) names.push_back(call.name);
  return names;
}

// The machine's files, registry and cache as text, without the call log.
inline std::string MachineState() {
  sim::ClearCalls();
  return sim::Dump();
}
