#include "app/SingleInstance.h"

namespace {

// In the session's namespace: another user's Tidewisp, signed in at the same
// time, has settings of its own.
const char kMutexName[] = "Local\\Marrowfield.Tidewisp.SingleInstance";

// The main window is a dialog captioned exactly "Tidewisp" (the installer
// finds it the same way); its About box or a message box may be on top.
bool BringForward() {
  HWND window = FindWindowA("#32770", "Tidewisp");
  if (!window || !IsWindowVisible(window)) return false;
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  SetForegroundWindow(GetLastActivePopup(window));
  return true;
}

}  // namespace

CSingleInstance::~CSingleInstance() {
  if (m_owned) ReleaseMutex(m_mutex);
  if (m_mutex) CloseHandle(m_mutex);
}

bool CSingleInstance::Claim(bool scheduled) {
  m_mutex = CreateMutexA(nullptr, TRUE, kMutexName);
  // Without the mutex (a name taken by another kind of object) the program
  // runs as it would have without this check, rather than not at all.
  if (!m_mutex) return true;
  if (GetLastError() != ERROR_ALREADY_EXISTS) return m_owned = true;
  if (scheduled) return false;
  // The other start may still be showing its splash, or be a scheduled run
  // that ends when it has cleaned: whichever comes first, its window or its
  // end, decides.
  for (;;) {
    if (BringForward()) return false;
    DWORD waited = WaitForSingleObject(m_mutex, 50);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return m_owned = true;
    if (waited == WAIT_FAILED) return true;
  }
}
