#include "app/SweepApp.h"

#include "app/StartMode.h"

BOOL CSweepApp::InitInstance() {
  if (IsScheduledStart(GetCommandLineA())) {
    RunScheduled();
    return FALSE;
  }
  // Interactive mode opens the main dialog; until the user interface exists
  // an interactive start ends here, without a window.
  return FALSE;
}
