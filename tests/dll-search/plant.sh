# Sourced by the checks of DLL search (tests/dll-search/check.sh for the
# program, tests/installer/check.sh for the installer and uninstaller): DLLs
# that leave a marker file when loaded, planted where a download lands.
#
# Each planted DLL, on being loaded, writes "<its own path>.loaded" holding the
# command line of the process that loaded it. It has none of the real DLL's
# functions: a program that went on to call one would fail, so the markers,
# not the program's exit, are what the checks look at.

planted_names="uxtheme comdlg32 shlwapi wininet dwmapi"
# Native first for those names: Wine then looks for them as Windows does for
# a DLL that is not a known DLL, the program's folder first; without it, Wine
# takes its builtin copies and never looks. winedbg.exe= keeps Wine's
# debugger from starting (and waiting) when a planted DLL is called.
planted_overrides="$(echo $planted_names | tr ' ' ',')=n,b;winedbg.exe="

# plant_dlls DIR: builds the DLL once (build/planted/planted.dll) and puts a
# copy under each name into DIR.
plant_dlls() {
  local dir=$1 build="$root/build/planted"
  mkdir -p "$build" "$dir"
  if [ ! -f "$build/planted.dll" ] || [ "${BASH_SOURCE[0]}" -nt "$build/planted.dll" ]; then
    cat >"$build/planted.c" <<'C'
#include <windows.h>
BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    WCHAR path[MAX_PATH + 8];
    DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    lstrcpyW(path + length, L".loaded");
    HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    const char* line = GetCommandLineA();
    DWORD written;
    WriteFile(marker, line, lstrlenA(line), &written, NULL);
    CloseHandle(marker);
  }
  return TRUE;
}
C
    x86_64-w64-mingw32-gcc -shared -O2 -Wall -Werror -o "$build/planted.dll" "$build/planted.c"
  fi
  local name
  for name in $planted_names; do cp "$build/planted.dll" "$dir/$name.dll"; done
}

# planted_markers DIR: the markers left in DIR, one "name: command line" a
# line; nothing when no planted DLL was loaded.
planted_markers() {
  local marker
  for marker in "$1"/*.loaded; do
    [ -f "$marker" ] && printf '%s: %s\n' "$(basename "$marker" .loaded)" "$(tr -d '\r\n' <"$marker")"
  done
  return 0
}
