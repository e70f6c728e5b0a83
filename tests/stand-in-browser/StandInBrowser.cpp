// A stand-in for a browser that tests/engine/BackgroundBrowsersTest.cpp
// installs where a browser is installed. Its command line:
//   <lock file> <hidden|shown|minimized> <exits|deaf|parent> [what a browser's holds]
// It holds the lock file as Chromium holds its lockfile, owns one top-level
// window, shown as asked, and either exits when told that the session ends
// or ignores every message that would close it. A parent exits when told,
// and first starts a child of its own, as a browser starts its helpers, with
// no window shown and no profile named, holding "<lock file>-child".
#include <string>

#include "platform/win32.h"

namespace {

bool g_deaf = false;

LRESULT CALLBACK OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_deaf && (message == WM_QUERYENDSESSION || message == WM_ENDSESSION || message == WM_CLOSE))
    return 0;
  if (message == WM_ENDSESSION && wParam) PostQuitMessage(0);
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args || count < 4) return 2;
  HANDLE lock = CreateFileW(args[1], GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (lock == INVALID_HANDLE_VALUE) return 3;
  g_deaf = lstrcmpW(args[3], L"deaf") == 0;
  WNDCLASSW windowClass = {0, OnMessage, 0, 0, instance, 0, 0, 0, 0, L"TidewispStandInBrowser"};
  RegisterClassW(&windowClass);
  HWND window = CreateWindowW(windowClass.lpszClassName, L"Stand-in browser", WS_OVERLAPPEDWINDOW,
                              0, 0, 320, 200, nullptr, nullptr, instance, nullptr);
  if (lstrcmpW(args[2], L"shown") == 0) ShowWindow(window, SW_SHOWNORMAL);
  if (lstrcmpW(args[2], L"minimized") == 0) ShowWindow(window, SW_SHOWMINIMIZED);
  if (lstrcmpW(args[3], L"parent") == 0) {
    std::wstring child =
        L"\"" + std::wstring(args[0]) + L"\" \"" + args[1] + L"-child\" hidden exits";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(args[0], &child[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
      return 4;
    WaitForInputIdle(started.hProcess, 10000);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;  // the lock file goes with the process
}
