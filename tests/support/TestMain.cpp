// The tests' main: GoogleTest with the message-box hook of Win32Test.h.
#include <gtest/gtest.h>

#include <deque>
#include <utility>

#include "tests/support/Win32Test.h"

namespace {

std::deque<std::pair<int, std::string>> g_answers;
std::vector<ShownBox> g_shown;

// A message box keeps its text in the static control 65535 (Windows and Wine
// alike); its own modal loop takes the posted answer. Another dialog is
// answered only while an answer waits for it (the About box). The default
// button is the one the box gives the focus, before it is activated: under
// Wine 8 neither DM_GETDEFID nor the buttons' styles tell it yet then.
LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
  static int focused = 0;
  HWND box = reinterpret_cast<HWND>(wParam);
  char kind[16] = {};
  GetClassNameA(box, kind, sizeof kind);
  if (code == HCBT_SETFOCUS && GetDlgItem(GetParent(box), 0xFFFF)) focused = GetDlgCtrlID(box);
  if (code == HCBT_ACTIVATE &&
      (GetDlgItem(box, 0xFFFF) || (!g_answers.empty() && std::string(kind) == "#32770"))) {
    char text[1024] = {}, caption[256] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    GetWindowTextA(box, caption, sizeof caption);
    g_shown.push_back({text, caption, std::exchange(focused, 0)});
    std::pair<int, std::string> answer = {IDCANCEL, ""};  // which ends any box
    if (g_answers.empty())
      ADD_FAILURE() << "unexpected message box \"" << text << "\"";
    else
      answer = g_answers.front(), g_answers.pop_front();
    if (!answer.second.empty()) SetDlgItemTextA(box, 0x47C, answer.second.c_str());
    PostMessageA(box, WM_COMMAND, answer.first, 0);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

struct ResetBoxes : ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { g_answers.clear(), g_shown.clear(); }
};

}  // namespace

void AnswerNextBox(int button, const std::string& text) { g_answers.push_back({button, text}); }

std::vector<ShownBox> TakeShownBoxes() { return std::exchange(g_shown, {}); }

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new ResetBoxes);
  SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
  return RUN_ALL_TESTS();
}
