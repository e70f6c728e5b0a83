// The simulated clipboard and the global memory its data lives in.
#include <cstring>

#include "platform/sim/Machine.h"

namespace sim {

void SetClipboardText(const std::string& text) {
  M().clipboardText = text;
  M().clipboardHasData = true;
}
bool ClipboardHasData() { return M().clipboardHasData; }
void HoldClipboard() { M().clipboardHeldByOther = true; }
void ReleaseClipboard() { M().clipboardHeldByOther = false; }
HWND LastClipboardOwner() { return M().clipboardOwner; }

}  // namespace sim

using sim::Enter;
using sim::M;

extern "C" {

// ---- global memory and the clipboard --------------------------------------------------
HGLOBAL WINAPI GlobalAlloc(UINT, size_t dwBytes) {
  HGLOBAL memory = sim::NewHandle();
  M().globals[memory] = std::string(dwBytes, '\0');
  return memory;
}

LPVOID WINAPI GlobalLock(HGLOBAL hMem) {
  auto found = M().globals.find(hMem);
  return found == M().globals.end() ? nullptr : &found->second[0];
}

BOOL WINAPI GlobalUnlock(HGLOBAL) { return TRUE; }

HGLOBAL WINAPI GlobalFree(HGLOBAL hMem) {
  M().globals.erase(hMem);
  return nullptr;
}

BOOL WINAPI OpenClipboard(HWND hWndNewOwner) {
  if (Enter("OpenClipboard", "", 0, static_cast<DWORD>(reinterpret_cast<uintptr_t>(hWndNewOwner))))
    return FALSE;
  if (M().clipboardHeldByOther) {
    M().lastError = ERROR_ACCESS_DENIED;
    return FALSE;
  }
  M().clipboardOpen = true;
  M().clipboardOwner = hWndNewOwner;
  return TRUE;
}

BOOL WINAPI EmptyClipboard(void) {
  if (Enter("EmptyClipboard", "")) return FALSE;
  if (!M().clipboardOpen) {
    M().lastError = ERROR_CLIPBOARD_NOT_OPEN;
    return FALSE;
  }
  M().clipboardHasData = false;
  M().clipboardText.clear();
  return TRUE;
}

BOOL WINAPI CloseClipboard(void) {
  if (Enter("CloseClipboard", "")) return FALSE;
  if (!M().clipboardOpen) {
    M().lastError = ERROR_CLIPBOARD_NOT_OPEN;
    return FALSE;
  }
  M().clipboardOpen = false;
  return TRUE;
}

HANDLE WINAPI SetClipboardData(UINT uFormat, HANDLE hMem) {
  if (Enter("SetClipboardData", "", uFormat)) return nullptr;
  if (!M().clipboardOpen || uFormat != CF_TEXT) {
    M().lastError = ERROR_CLIPBOARD_NOT_OPEN;
    return nullptr;
  }
  auto found = M().globals.find(hMem);
  if (found == M().globals.end()) return nullptr;
  sim::SetClipboardText(found->second.c_str());
  M().globals.erase(found);  // the clipboard owns it now
  return hMem;
}

HANDLE WINAPI GetClipboardData(UINT uFormat) {
  if (Enter("GetClipboardData", "", uFormat)) return nullptr;
  if (!M().clipboardOpen || uFormat != CF_TEXT || !M().clipboardHasData) return nullptr;
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, M().clipboardText.size() + 1);
  std::memcpy(GlobalLock(copy), M().clipboardText.c_str(), M().clipboardText.size() + 1);
  return copy;
}

BOOL WINAPI IsClipboardFormatAvailable(UINT format) {
  return format == CF_TEXT && M().clipboardHasData;
}

}  // extern "C"
