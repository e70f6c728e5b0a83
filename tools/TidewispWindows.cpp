#include "tools/TidewispWindows.h"

#include <cstdio>
#include <string>

namespace {

const int kTabId = 1000;  // the main window's tab control

struct Search {
  Which which;
  DWORD pid;
  HWND found;
};

bool Matches(HWND window, Which which) {
  char kind[16] = {}, text[64] = {};
  GetClassNameA(window, kind, sizeof kind);
  if (std::string(kind) != "#32770" || !IsWindowVisible(window)) return false;
  GetWindowTextA(window, text, sizeof text);
  std::string title = text;
  switch (which) {
    case Which::kSplash:  // a captionless popup with the splash picture
      return title.empty() && (GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) != WS_CAPTION;
    case Which::kMain: {
      HWND tab = GetDlgItem(window, kTabId);
      return title == "Tidewisp" && tab && SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0) == 5;
    }
    case Which::kAbout:
      return title == "About Tidewisp";
    case Which::kBare:
      return title == "Bare";
  }
  return false;
}

BOOL CALLBACK Visit(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (search->pid) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid) return TRUE;
  }
  if (!Matches(window, search->which)) return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

HWND FindShown(Which which, DWORD pid) {
  Search search = {which, pid, nullptr};
  EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitFor(Which which, DWORD timeoutMs, DWORD pid) {
  DWORD start = GetTickCount();
  for (;;) {
    if (HWND window = FindShown(which, pid)) return window;
    if (GetTickCount() - start > timeoutMs) return nullptr;
    Sleep(1);
  }
}

bool CloseAndWait(HWND window, HANDLE process, DWORD timeoutMs) {
  PostMessageA(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0) return true;
  std::fprintf(stderr, "the program did not end within %lu ms after WM_CLOSE\n",
               static_cast<unsigned long>(timeoutMs));
  return false;
}
