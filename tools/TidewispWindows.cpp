#include "tools/TidewispWindows.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

const int kTabId = 1000;    // the main window's tab control
const int kCleanId = 1002;  // the Main page's "Clean"
const int kLogId = 1004;    // the Main page's log list

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

struct FoundControl {
  int id;
  const char* kind;
  HWND found;
};

BOOL CALLBACK FindControl(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<FoundControl*>(param);
  char kind[32] = {};
  GetClassNameA(child, kind, sizeof kind);
  if (GetDlgCtrlID(child) != search->id || lstrcmpiA(kind, search->kind) != 0) return TRUE;
  search->found = child;
  return FALSE;
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

HWND PageControl(HWND main, int id, const char* kind) {
  FoundControl search = {id, kind, nullptr};
  EnumChildWindows(main, FindControl, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool LogLines(HWND main, size_t first, size_t count, DWORD timeoutMs,
              std::vector<std::wstring>& lines, size_t* total) {
  HWND log = PageControl(main, kLogId, "ListBox");
  DWORD_PTR all = 0;
  if (!log || !SendMessageTimeoutW(log, LB_GETCOUNT, 0, 0, SMTO_NORMAL, timeoutMs, &all))
    return false;
  if (total) *total = all;
  lines.clear();
  for (size_t i = first; i < all && lines.size() < count; ++i) {
    DWORD_PTR length = 0, got = 0;
    wchar_t text[512] = {};
    if (!SendMessageTimeoutW(log, LB_GETTEXTLEN, i, 0, SMTO_NORMAL, timeoutMs, &length) ||
        length >= 512 ||
        !SendMessageTimeoutW(log, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                             timeoutMs, &got))
      return false;
    lines.push_back(text);
  }
  return true;
}

namespace {

// The log's last line once the log has more than `first` lines.
bool RunLine(HWND main, size_t first, DWORD timeoutMs, std::wstring& line) {
  std::vector<std::wstring> last;
  size_t count = 0;
  if (!LogLines(main, SIZE_MAX, 0, timeoutMs, last, &count) || count <= first ||
      !LogLines(main, count - 1, 1, timeoutMs, last) || last.empty())
    return false;
  line = last[0];
  return true;
}

}  // namespace

RunWatch WatchRun(HWND main, HANDLE process, const std::wstring& actAt, DWORD actAfterMs, Then then,
                  DWORD answerMs, DWORD timeoutMs) {
  RunWatch watch;
  HWND clean = PageControl(main, kCleanId, "Button"), tab = GetDlgItem(main, kTabId);
  std::vector<std::wstring> last;
  LogLines(main, SIZE_MAX, 0, answerMs, last, &watch.firstLine);
  PostMessageA(clean, BM_CLICK, 0, 0);
  const DWORD start = GetTickCount();
  DWORD answered = start, seenAt = 0;
  for (DWORD now = start; now - start < timeoutMs; Sleep(10), now = GetTickCount()) {
    if (then == Then::kClose && WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
      watch.endMs = now - start;
      break;
    }
    ++watch.polls;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, answerMs, &result)) {
      if (IsWindow(main)) ++watch.unanswered;  // a window closed on request is gone, not hung
      continue;
    }
    now = GetTickCount();
    watch.longestGapMs = std::max<DWORD>(watch.longestGapMs, now - answered);
    answered = now;
    // The state is read between two readings of the log: a run's state only
    // when the first shows the run begun and the second not yet ended.
    std::wstring begun, line;
    if (!RunLine(main, watch.firstLine, answerMs, begun)) continue;  // the click not yet handled
    wchar_t caption[16] = {};
    GetWindowTextW(clean, caption, 16);
    bool tabEnabled = IsWindowEnabled(tab);
    if (!RunLine(main, watch.firstLine, answerMs, line)) continue;
    for (const std::wstring& seen : {begun, line})
      if (watch.lines.empty() || seen != watch.lines.back()) watch.lines.push_back(seen);
    if (line == L"Cleaning complete." || line == L"Cleaning stopped.") {
      if (then == Then::kClose) continue;  // until the process has ended
      watch.endMs = now - start;
      break;
    }
    watch.stopShown = watch.stopShown || std::wstring(caption) == L"Stop";
    watch.tabEnabled = watch.tabEnabled || tabEnabled;
    if (line == actAt && !seenAt) seenAt = now;
    if (then != Then::kNothing && seenAt && !watch.actedMs && now - seenAt >= actAfterMs) {
      watch.actedMs = now - start;
      if (then == Then::kStop) PostMessageA(clean, BM_CLICK, 0, 0);
      if (then == Then::kClose) PostMessageA(main, WM_CLOSE, 0, 0);
    }
  }
  return watch;
}
