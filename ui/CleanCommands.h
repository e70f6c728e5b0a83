// The commands that start a cleaning run from the window: Clean, and Clean and
// Reboot with its reboot request.
#pragma once

#include "platform/win32.h"

// Shows the wait cursor for the run, saves the profile (a failed save is
// reported and the run still follows), runs with `mask`, and ends the wait
// cursor when the run ends.
void RunCleaning(int mask);

// Asks the system to restart: first politely; when that is refused, enables
// the shutdown privilege and asks again, forcing only programs that do not
// answer (EWX_FORCEIFHUNG), so that no program loses unsaved work. Nothing
// is reported either way.
void RequestReboot();

// The calls the reboot request makes, replaceable by tests: no test may
// restart the machine (under Wine, ExitWindowsEx ends the session).
struct RebootCalls {
  BOOL(WINAPI* exitWindows)(UINT flags, DWORD reason);
  BOOL(WINAPI* openProcessToken)(HANDLE process, DWORD access, PHANDLE token);
  BOOL(WINAPI* lookupPrivilegeValue)(LPCSTR system, LPCSTR name, PLUID luid);
  BOOL(WINAPI* adjustTokenPrivileges)
  (HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES state, DWORD length, PTOKEN_PRIVILEGES previous,
   PDWORD returned);
  DWORD(WINAPI* getLastError)();
};
extern RebootCalls g_rebootCalls;  // the real calls by default
