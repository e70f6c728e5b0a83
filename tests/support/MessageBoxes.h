// Every message box shown on the test thread is answered by a WH_CBT hook
// (installed by the tests' main) that records it. A box no test asked for
// fails the running test and is answered with its default button, so it can
// never hang the run.
#pragma once

#include <string>
#include <vector>

struct ShownBox {
  std::string text, caption;
  int defaultButton;  // IDOK, IDYES, IDNO...
};

void AnswerNextBox(int button);          // queued: one answer per expected box
std::vector<ShownBox> TakeShownBoxes();  // the boxes shown since the test began or the last call
