#include "ui/CleanCommands.h"

#include "framework/WinApp.h"
#include "profile/SweepProfile.h"

RebootCalls g_rebootCalls = {ExitWindowsEx, OpenProcessToken, LookupPrivilegeValueA,
                             AdjustTokenPrivileges, GetLastError};

void RunCleaning(int mask) {
  CWinApp* app = AfxGetApp();
  if (app) app->BeginWaitCursor();
  g_pProfile->Save();
  g_pProfile->Run(mask);
  if (app) app->EndWaitCursor();
}

void RequestReboot() {
  // A planned restart for maintenance: what the system logs as the reason.
  const DWORD reason =
      SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_MAINTENANCE | SHTDN_REASON_FLAG_PLANNED;
  if (g_rebootCalls.exitWindows(EWX_REBOOT, reason)) return;

  HANDLE token = nullptr;
  if (!g_rebootCalls.openProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                                      &token))
    return;
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  // Without the privilege's identifier there is nothing to enable. The
  // adjustment succeeds even when it enabled nothing: only the last error
  // (ERROR_NOT_ALL_ASSIGNED) tells.
  bool enabled = false;
  if (g_rebootCalls.lookupPrivilegeValue(nullptr, SE_SHUTDOWN_NAME,
                                         &privileges.Privileges[0].Luid)) {
    g_rebootCalls.adjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    enabled = g_rebootCalls.getLastError() == ERROR_SUCCESS;
  }
  CloseHandle(token);
  if (enabled) g_rebootCalls.exitWindows(EWX_REBOOT | EWX_FORCEIFHUNG, reason);
}
