#include "app/StartMode.h"

#include <cstring>

#include "app/Globals.h"
#include "engine/Log.h"

CSweepProfile* g_pProfile = nullptr;
CSweepDlg* g_pMainDlg = nullptr;

bool IsScheduledStart(const char* commandLine) {
  if (!commandLine) return false;
  size_t length = std::strlen(commandLine);
  const char* tail = commandLine + (length > 4 ? length - 4 : 0);
  return std::strcmp(tail, "auto") == 0;
}

void RunScheduled() {
  // Before anything could log: no window exists in this mode.
  g_bSilent = 1;
  g_pProfile = new CSweepProfile;
  g_pProfile->Load();
  // No one is there to answer a message box, and a scheduled start must never
  // block; the stored lastErase is what the next scheduled start measures from.
  if (g_pProfile->RunIfDue()) g_pProfile->Save(false);
  delete g_pProfile;
  g_pProfile = nullptr;
}
