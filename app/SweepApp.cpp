#include "app/SweepApp.h"

#include "app/SingleInstance.h"
#include "app/StartMode.h"

BOOL CSweepApp::InitInstance() {
  bool scheduled = IsScheduledStart(GetCommandLineA());
  // Held until the settings are saved and the process ends.
  CSingleInstance instance;
  if (!instance.Claim(scheduled)) return FALSE;
  if (scheduled)
    RunScheduled();
  else
    RunInteractive();
  return FALSE;
}
