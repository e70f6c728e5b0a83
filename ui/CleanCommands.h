// The commands that start a cleaning run from the window: Clean, and Clean and
// Reboot with its reboot request.
#pragma once

#include "platform/win32.h"
#include "profile/SweepProfile.h"

// A cleaning run on a thread of its own, so that the window's thread goes on
// handling messages while it lasts. The run's lines and questions reach the
// window through the run view (engine/Log.h), which hands them to the
// window's thread and waits for it; a stop request (engine/Stop.h) ends the
// run at its next safe point.
class CCleaningRun {
 public:
  CCleaningRun() = default;
  ~CCleaningRun() { Finish(); }
  CCleaningRun(const CCleaningRun&) = delete;
  CCleaningRun& operator=(const CCleaningRun&) = delete;

  // Saves the profile (a failed save is reported and the run still follows)
  // and starts the run, with `mask`, of a copy of it: the run reads its
  // selection once, here. `ended` is posted to `window` when it is over.
  void Start(LONG mask, HWND window, UINT ended);
  bool Running() const { return m_running; }
  // Waits for the run's thread to end, then takes the run's stamp into the
  // profile. True when the run went to its end, false when it was stopped or
  // none was running.
  bool Finish();

 private:
  static DWORD WINAPI Work(void* self);

  CSweepProfile m_selection;
  LONG m_mask = 0;
  HWND m_window = nullptr;
  UINT m_ended = 0;
  HANDLE m_thread = nullptr;
  bool m_running = false;
  bool m_completed = false;
};

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
