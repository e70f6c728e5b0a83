// The application object: InitInstance is the whole working life of the process.
#pragma once

#include "framework/WinApp.h"

class CSweepApp : public CWinApp {
 public:
  // Chooses the run mode from the command line, does its work and returns
  // FALSE, so that no message loop follows and the process ends.
  BOOL InitInstance() override;
};
