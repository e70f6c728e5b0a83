#include "engine/Log.h"

CRunView* g_pRunView = nullptr;
int g_bSilent = 0;

namespace {
std::vector<std::string> g_report;
}

void LogLine(std::string text) {
  if (g_bSilent || !g_pRunView) return;
  g_pRunView->AddLogLine(text);
}

void LogReportLine(std::string text) {
  g_report.push_back(text);
  LogLine(std::move(text));
}

const std::vector<std::string>& RunReport() { return g_report; }

void ClearRunReport() { g_report.clear(); }

bool AskUser(const std::string& text, bool unattended) {
  if (g_bSilent || !g_pRunView) return unattended;
  return g_pRunView->AskYesNo(text);
}

HWND RunWindow() { return g_pRunView ? g_pRunView->GetSafeHwnd() : nullptr; }
