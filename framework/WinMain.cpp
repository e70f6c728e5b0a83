// The process entry: hands control to the one application object, whose
// InitInstance is the whole life of the process. COM is the application's to
// start when it needs it (see app/StartMode.cpp): loading it here would delay
// every start.
#include "framework/WinApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  CWinApp* app = AfxGetApp();
  if (app) app->InitInstance();
  return 0;
}
