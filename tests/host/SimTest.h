// Fixture of the host tests: a fresh simulated machine per test, a recording
// log view, and the machine's dump printed with every failure.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Log.h"
#include "platform/sim/Sim.h"

class RecordingView : public CRunView {
 public:
  void AddLogLine(const std::string& text) override { lines.push_back(text); }
  HWND GetSafeHwnd() const override { return hwnd; }
  std::vector<std::string> lines;
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
