// The simulated machine's system folders, process token and shutdown,
// command line, clock and message boxes.
#include <cstring>
#include <sstream>

#include "platform/sim/Machine.h"

namespace sim {

const char* const kWindowsDir = "C:\\windows";
const char* const kTempDir = "C:\\users\\user\\Temp\\";
const char* const kProfileDir = "C:\\users\\user";

namespace {

// The same layout as a current Windows profile (and a Wine 8 prefix).
const struct {
  int csidl;
  const char* path;
} kSpecialFolders[] = {
    {CSIDL_PERSONAL, "C:\\users\\user\\Documents"},
    {CSIDL_FAVORITES, "C:\\users\\user\\Favorites"},
    {CSIDL_RECENT, "C:\\users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Recent"},
    {CSIDL_DESKTOPDIRECTORY, "C:\\users\\user\\Desktop"},
    {CSIDL_APPDATA, "C:\\users\\user\\AppData\\Roaming"},
    {CSIDL_LOCAL_APPDATA, "C:\\users\\user\\AppData\\Local"},
    {CSIDL_INTERNET_CACHE, "C:\\users\\user\\AppData\\Local\\Microsoft\\Windows\\INetCache"},
    {CSIDL_COOKIES, "C:\\users\\user\\AppData\\Local\\Microsoft\\Windows\\INetCookies"},
    {CSIDL_HISTORY, "C:\\users\\user\\AppData\\Local\\Microsoft\\Windows\\History"},
    {CSIDL_COMMON_APPDATA, "C:\\ProgramData"},
    {CSIDL_WINDOWS, "C:\\windows"},
    {CSIDL_PROGRAM_FILES, "C:\\Program Files"},
};

const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));
const DWORD kShutdownLuid = 19;

// GetTempPathA / GetWindowsDirectoryA: the length without NUL when it fits,
// else the size needed with the NUL, and the buffer untouched.
DWORD CopyPath(const std::string& path, LPSTR buffer, DWORD size) {
  if (path.empty()) {
    M().lastError = ERROR_PATH_NOT_FOUND;
    return 0;
  }
  if (path.size() + 1 > size) return static_cast<DWORD>(path.size() + 1);
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

}  // namespace

bool CloseOtherHandle(HANDLE handle) {
  if (M().tokens.erase(handle)) return true;
  return handle == kCurrentProcess;
}

void ResetSystem() {
  Machine& m = M();
  for (const auto& folder : kSpecialFolders) {
    m.specialFolders[folder.csidl] = folder.path;
    MakeDir(folder.path);
  }
  m.tempPath = kTempDir;
  m.windowsDir = kWindowsDir;
  MakeDir(kTempDir);
  MakeDir(kWindowsDir);
  m.commandLine = "\"C:\\Program Files\\Tidewisp\\tidewisp.exe\"";
  m.modulePath = "C:\\Program Files\\Tidewisp\\tidewisp.exe";
  m.calls.clear();
}

std::string DumpSystem() {
  Machine& m = M();
  std::ostringstream out;
  out << "url cache:\n";
  for (const CacheEntry& entry : m.cache)
    out << "  " << entry.url << " type=0x" << std::hex << entry.type << std::dec << "\n";
  out << "clipboard: " << (m.clipboardHasData ? "\"" + m.clipboardText + "\"" : "empty")
      << (m.clipboardHeldByOther ? ", held by another window" : "")
      << (m.clipboardOpen ? ", open" : "") << "\n";
  out << "command line: " << m.commandLine << "\nclock: " << m.now << "\n";
  for (const auto& box : m.messageBoxes)
    out << "message box: \"" << box.text << "\" caption \"" << box.caption << "\"\n";
  for (UINT request : m.exitWindowsRequests) out << "ExitWindowsEx(" << request << ")\n";
  return out.str();
}

// ---- control API -------------------------------------------------------------------
void SetSpecialFolder(int csidl, const std::string& path) { M().specialFolders[csidl] = path; }
void RemoveSpecialFolder(int csidl) { M().specialFolders.erase(csidl); }
void SetTempPath(const std::string& path) { M().tempPath = path; }
void SetWindowsDirectory(const std::string& path) { M().windowsDir = path; }

void SetCommandLine(const std::string& line) { M().commandLine = line; }
void SetModulePath(const std::string& path) { M().modulePath = path; }
void SetExitWindowsResult(BOOL accepted) { M().exitWindowsResult = accepted; }
void SetOpenTokenResult(BOOL ok) { M().openTokenResult = ok; }
void SetAdjustPrivilegesError(DWORD lastError) { M().adjustPrivilegesError = lastError; }
std::vector<UINT> ExitWindowsRequests() { return M().exitWindowsRequests; }
bool PrivilegeAdjusted() { return M().privilegeAdjusted; }
void SetTime(int64_t unixSeconds) { M().now = unixSeconds; }
std::vector<MessageBoxRecord> MessageBoxes() { return M().messageBoxes; }
void SetMessageBoxAnswer(int answer) { M().messageBoxAnswer = answer; }

}  // namespace sim

using sim::Enter;
using sim::M;

extern "C" {

// ---- system folders -----------------------------------------------------------------
DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
  if (Enter("GetTempPathA", "", nBufferLength)) return 0;
  return sim::CopyPath(M().tempPath, lpBuffer, nBufferLength);
}

UINT WINAPI GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
  if (Enter("GetWindowsDirectoryA", "", uSize)) return 0;
  return sim::CopyPath(M().windowsDir, lpBuffer, uSize);
}

BOOL WINAPI SHGetSpecialFolderPathA(HWND, LPSTR pszPath, int csidl, BOOL fCreate) {
  if (Enter("SHGetSpecialFolderPathA", std::to_string(csidl), MAX_PATH,
            static_cast<DWORD>(fCreate)))
    return FALSE;
  auto found = M().specialFolders.find(csidl);
  if (found == M().specialFolders.end() || found->second.size() >= MAX_PATH) {
    M().lastError = ERROR_FILE_NOT_FOUND;
    return FALSE;
  }
  std::memcpy(pszPath, found->second.c_str(), found->second.size() + 1);
  return TRUE;
}

// ---- process, token, shutdown --------------------------------------------------------
LPSTR WINAPI GetCommandLineA(void) {
  Enter("GetCommandLineA", "");
  return &M().commandLine[0];
}

HANDLE WINAPI GetCurrentProcess(void) { return sim::kCurrentProcess; }

BOOL WINAPI OpenProcessToken(HANDLE, DWORD DesiredAccess, PHANDLE TokenHandle) {
  if (Enter("OpenProcessToken", "", 0, DesiredAccess)) return FALSE;
  if (!M().openTokenResult) {
    M().lastError = ERROR_ACCESS_DENIED;
    return FALSE;
  }
  *TokenHandle = sim::NewHandle();
  M().tokens.insert(*TokenHandle);
  return TRUE;
}

BOOL WINAPI LookupPrivilegeValueA(LPCSTR, LPCSTR lpName, PLUID lpLuid) {
  std::string name = lpName ? lpName : "";
  if (Enter("LookupPrivilegeValueA", name)) return FALSE;
  if (name != SE_SHUTDOWN_NAME) {
    M().lastError = ERROR_NO_SUCH_PRIVILEGE;
    return FALSE;
  }
  lpLuid->LowPart = sim::kShutdownLuid;
  lpLuid->HighPart = 0;
  return TRUE;
}

BOOL WINAPI AdjustTokenPrivileges(HANDLE TokenHandle, BOOL, PTOKEN_PRIVILEGES NewState, DWORD,
                                  PTOKEN_PRIVILEGES, LPDWORD) {
  if (Enter("AdjustTokenPrivileges", "")) return FALSE;
  if (!M().tokens.count(TokenHandle)) {
    M().lastError = ERROR_INVALID_HANDLE;
    return FALSE;
  }
  // Like Windows, success with ERROR_NOT_ALL_ASSIGNED when the privilege is not held.
  M().lastError = M().adjustPrivilegesError;
  if (M().lastError == ERROR_SUCCESS && NewState && NewState->PrivilegeCount == 1 &&
      NewState->Privileges[0].Luid.LowPart == sim::kShutdownLuid &&
      NewState->Privileges[0].Attributes == SE_PRIVILEGE_ENABLED)
    M().privilegeAdjusted = true;
  return TRUE;
}

BOOL WINAPI ExitWindowsEx(UINT uFlags, DWORD) {
  if (Enter("ExitWindowsEx", "", 0, uFlags)) return FALSE;
  M().exitWindowsRequests.push_back(uFlags);
  if (!M().exitWindowsResult) M().lastError = ERROR_PRIVILEGE_NOT_HELD;
  return M().exitWindowsResult;
}

// ---- clock, module, environment, messages ---------------------------------------------
void WINAPI GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime) {
  // 100-nanosecond intervals since 1601-01-01.
  uint64_t ticks = static_cast<uint64_t>(M().now + 11644473600LL) * 10000000ULL;
  lpSystemTimeAsFileTime->dwLowDateTime = static_cast<DWORD>(ticks);
  lpSystemTimeAsFileTime->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
}

void WINAPI Sleep(DWORD dwMilliseconds) { Enter("Sleep", "", dwMilliseconds); }

DWORD WINAPI GetModuleFileNameA(HMODULE, LPSTR lpFilename, DWORD nSize) {
  if (Enter("GetModuleFileNameA", "", nSize)) return 0;
  const std::string& path = M().modulePath;
  if (nSize == 0) return 0;
  if (path.size() + 1 > nSize) {
    // Truncated, terminated, and the full size is reported as the result.
    std::memcpy(lpFilename, path.c_str(), nSize - 1);
    lpFilename[nSize - 1] = '\0';
    M().lastError = ERROR_INSUFFICIENT_BUFFER;
    return nSize;
  }
  std::memcpy(lpFilename, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

HMODULE WINAPI GetModuleHandleA(LPCSTR) { return nullptr; }
FARPROC WINAPI GetProcAddress(HMODULE, LPCSTR) { return nullptr; }

DWORD WINAPI GetEnvironmentVariableA(LPCSTR, LPSTR, DWORD) {
  M().lastError = 203;  // ERROR_ENVVAR_NOT_FOUND: the simulated process has no environment
  return 0;
}

int WINAPI MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  Enter("MessageBoxA", lpText ? lpText : "", 0, uType);
  M().messageBoxes.push_back(
      sim::MessageBoxRecord{lpText ? lpText : "", lpCaption ? lpCaption : "", uType});
  return M().messageBoxAnswer;
}

}  // extern "C"
