// The application object: InitInstance is the whole working life of the process.
#pragma once

#include "framework/WinApp.h"

class CSweepApp : public CWinApp {
 public:
  // Chooses the run mode from the command line and, unless another start of
  // the session already runs (app/SingleInstance.h), does its work; returns
  // FALSE, so that no message loop follows and the process ends.
  BOOL InitInstance() override;
};
