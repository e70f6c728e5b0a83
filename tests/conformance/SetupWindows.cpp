#include "tests/conformance/Conformance.h"

void PrepareMachine() {}

bool UnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool WineAsRoot() {
  char value[8] = {};
  return UnderWine() && GetEnvironmentVariableA("TIDEWISP_WINE_ROOT", value, sizeof value) > 0 &&
         value[0] == '1';
}
