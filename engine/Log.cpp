#include "engine/Log.h"

CRunView* g_pRunView = nullptr;
int g_bSilent = 0;

void LogLine(std::string text) {
  if (g_bSilent || !g_pRunView) return;
  g_pRunView->AddLogLine(text);
}

HWND RunWindow() { return g_pRunView ? g_pRunView->GetSafeHwnd() : nullptr; }
