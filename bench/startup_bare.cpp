// The start-up benchmark's floor: a program that sleeps one second, as the
// splash does, and then shows one empty dialog ("Bare", the main window's
// size and font) until it is closed.
#include <cstring>

#include "platform/win32.h"

namespace {

INT_PTR CALLBACK BareProc(HWND window, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_CLOSE) {
    EndDialog(window, 0);
    return TRUE;
  }
  return FALSE;
}

// An in-memory DLGTEMPLATE: style, no controls, 336 x 260 units, no menu,
// the standard class, the caption, then the font (DS_SETFONT).
struct BareTemplate {
  DLGTEMPLATE header;
  WORD menu, windowClass;
  WCHAR caption[5];
  WORD pointSize;
  WCHAR font[14];
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  Sleep(1000);
  static BareTemplate dialog = {};
  dialog.header.style =
      DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  dialog.header.cx = 336;
  dialog.header.cy = 260;
  std::memcpy(dialog.caption, L"Bare", sizeof dialog.caption);
  dialog.pointSize = 8;
  std::memcpy(dialog.font, L"MS Sans Serif", sizeof dialog.font);
  DialogBoxIndirectParamA(instance, &dialog.header, nullptr, BareProc, 0);
  return 0;
}
