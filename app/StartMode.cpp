#include "app/StartMode.h"

#include <cstring>

#include "engine/Log.h"
#include "framework/WinApp.h"
#include "profile/ScheduledRecord.h"
#include "profile/SweepProfile.h"
#include "ui/SweepDlg.h"

namespace {

// The folder browser is a COM object; the shell expects an apartment-threaded
// caller. A run's thread joins an apartment of its own (ui/CleanCommands).
HRESULT g_com = E_FAIL;

// Work that needs no settings, done while the splash shows: the libraries the
// window and a run call into, delay-loaded (cmake/delay-load), and COM. By
// name: WinMain has restricted the search to system32.
void PrepareDuringSplash() {
  for (const char* library :
       {"uxtheme.dll", "comdlg32.dll", "shell32.dll", "shlwapi.dll", "wininet.dll"})
    LoadLibraryA(library);
  g_com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
}

}  // namespace

bool IsScheduledStart(const char* commandLine) {
  if (!commandLine) return false;
  size_t length = std::strlen(commandLine);
  const char* tail = commandLine + (length > 4 ? length - 4 : 0);
  return std::strcmp(tail, "auto") == 0;
}

void RunScheduled() {
  // Before anything could log: no window exists in this mode.
  g_bSilent = 1;
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  g_pProfile = new CSweepProfile;
  g_pProfile->Load();
  // No one is there to answer a message box, and a scheduled start must never
  // block; the stored lastErase is what the next scheduled start measures from.
  // The report is dated when the run starts.
  SYSTEMTIME started;
  GetLocalTime(&started);
  if (g_pProfile->RunIfDue()) {
    g_pProfile->Save(false);
    SaveScheduledRecord(MakeScheduledRecord(started, RunReport()));
  }
  delete g_pProfile;
  g_pProfile = nullptr;
  if (SUCCEEDED(com)) CoUninitialize();
}

void RunInteractive() {
  // A run works on a thread of its own and the window's thread keeps
  // answering, so Windows' "Not Responding" ghost is left on: it shows only
  // if the window truly hangs, and then lets the user close it.
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TAB_CLASSES | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&controls);

  CSweepDlg dialog;
  g_pMainDlg = &dialog;
  CWinApp* app = AfxGetApp();
  if (app) app->m_pMainWnd = &dialog;
  // The splash is on screen before the settings are read.
  dialog.ShowSplash(PrepareDuringSplash);
  g_pProfile = new CSweepProfile;
  g_pProfile->Load();
  dialog.DoModal();
  delete g_pProfile;
  g_pProfile = nullptr;
  if (app) app->m_pMainWnd = nullptr;
  g_pMainDlg = nullptr;
  if (SUCCEEDED(g_com)) CoUninitialize();
}
