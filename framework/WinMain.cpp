// The process entry of the Windows build: hands control to the one
// application object, whose InitInstance is the whole life of the process.
#include "framework/WinApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // The URL history object and the folder browser are COM objects; the shell
  // expects an apartment-threaded caller.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  CWinApp* app = AfxGetApp();
  if (app) app->InitInstance();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}
