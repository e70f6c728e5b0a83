// The run's log sink while a test lives, in place of the main window: the
// lines and the questions kept, each question answered `yes_`.
#pragma once

#include "engine/Log.h"

class RunLog : public CRunView {
 public:
  RunLog() { g_pRunView = this; }
  ~RunLog() { g_pRunView = nullptr; }
  void AddLogLine(const std::string& text) override { lines_.push_back(text); }
  HWND GetSafeHwnd() const override { return nullptr; }
  bool AskYesNo(const std::string& text) override { return asked_.push_back(text), yes_; }

  std::vector<std::string> lines_, asked_;
  bool yes_ = false;
};
