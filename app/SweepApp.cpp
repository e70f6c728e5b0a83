#include "app/SweepApp.h"

#include "app/StartMode.h"

BOOL CSweepApp::InitInstance() {
  if (IsScheduledStart(GetCommandLineA()))
    RunScheduled();
  else
    RunInteractive();
  return FALSE;
}
