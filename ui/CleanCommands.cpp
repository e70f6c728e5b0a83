#include "ui/CleanCommands.h"

#include "engine/Stop.h"

RebootCalls g_rebootCalls = {ExitWindowsEx, OpenProcessToken, LookupPrivilegeValueA,
                             AdjustTokenPrivileges, GetLastError};

void CCleaningRun::Start(LONG mask, HWND window, UINT ended) {
  if (m_running) return;
  g_pProfile->Save();
  m_selection = *g_pProfile;
  m_mask = mask, m_window = window, m_ended = ended;
  m_running = true, m_completed = false;
  ClearStop();
  m_thread = CreateThread(nullptr, 0, Work, this, 0, nullptr);
  // Without a thread of its own the run goes on this one: the window then
  // waits for it, but the user's Clean is done.
  if (!m_thread) Work(this);
}

DWORD WINAPI CCleaningRun::Work(void* self) {
  auto* run = static_cast<CCleaningRun*>(self);
  // The history step's URL history object is a COM object, which a thread
  // may create only once it has joined an apartment itself.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  run->m_completed = run->m_selection.Run(run->m_mask);
  if (SUCCEEDED(com)) CoUninitialize();
  PostMessageA(run->m_window, run->m_ended, 0, 0);
  return 0;
}

bool CCleaningRun::Finish() {
  if (!m_running) return false;
  // The run sends its lines and questions to this thread and waits for them,
  // and so does its clipboard step: EmptyClipboard sends
  // WM_DESTROYCLIPBOARD to the window that owned the clipboard, ours after
  // an earlier run. Sent messages are handled while waiting, or neither
  // thread would move again.
  while (m_thread) {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    if (MsgWaitForMultipleObjects(1, &m_thread, FALSE, INFINITE, QS_SENDMESSAGE) ==
        WAIT_OBJECT_0 + 1)
      continue;
    CloseHandle(m_thread);
    m_thread = nullptr;
  }
  m_running = false;
  ClearStop();  // asked of this run only
  if (m_completed && g_pProfile) g_pProfile->lastErase = m_selection.lastErase;
  return m_completed;
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
