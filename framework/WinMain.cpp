// The process entry: hands control to the one application object, whose
// InitInstance is the whole life of the process. COM is the application's to
// start when it needs it (see app/StartMode.cpp): loading it here would delay
// every start.
#include "framework/WinApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Before any library is loaded: from here on, DLLs come from system32 only,
  // never from the program's own folder (Downloads, say, where a page can
  // drop a uxtheme.dll). The libraries whose own imports are not the system's
  // known DLLs are delay-loaded (cmake/delay-load), so that they and their
  // dependencies are loaded after this, under this rule. Looked up, not
  // imported: Windows 7 has the call only with its update KB2533623, and
  // without it the program must still start.
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  auto setDirectories = reinterpret_cast<SetDirectories>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDirectories) setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

  CWinApp* app = AfxGetApp();
  if (app) app->InitInstance();
  return 0;
}
