// The simulated machine outside files and registry: system folders, the
// Internet cache and URL history object, the clipboard, the process token and
// shutdown, command line, clock and message boxes.
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

// {3C374A40-BAE4-11CF-BF7D-00AA006946EE} and {AFA0DC11-C313-11D0-831A-00C04FD5AE38}.
const GUID kClsidUrlHistory = {0x3C374A40, 0xBAE4, 0x11CF,
                               {0xBF, 0x7D, 0x00, 0xAA, 0x00, 0x69, 0x46, 0xEE}};
const GUID kIidUrlHistoryStg2 = {0xAFA0DC11, 0xC313, 0x11D0,
                                 {0x83, 0x1A, 0x00, 0xC0, 0x4F, 0xD5, 0xAE, 0x38}};

bool SameGuid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class UrlHistory final : public IUrlHistoryStg2 {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE ClearHistory() override {
    Enter("IUrlHistoryStg2::ClearHistory", "");
    ++M().urlHistoryClears;
    return S_OK;
  }

 private:
  virtual ~UrlHistory() = default;
  ULONG refs_ = 1;
};

// Per-process state that Machine does not need to show in a dump.
struct Extra {
  int comInits = 0;
  std::map<HGLOBAL, std::string> globals;
  std::set<HANDLE> tokens;
} g_extra;

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

DWORD RecordSize(const CacheEntry& entry) {
  return static_cast<DWORD>(sizeof(INTERNET_CACHE_ENTRY_INFOA) + entry.url.size() + 1);
}

// Fills the caller's block with the entry, or tells the size it needs.
BOOL FillRecord(const CacheEntry& entry, LPINTERNET_CACHE_ENTRY_INFOA record, LPDWORD size) {
  DWORD needed = RecordSize(entry);
  if (!record || !size || *size < needed) {
    if (size) *size = needed;
    M().lastError = ERROR_INSUFFICIENT_BUFFER;
    return FALSE;
  }
  std::memset(record, 0, needed);
  char* url = reinterpret_cast<char*>(record + 1);
  std::memcpy(url, entry.url.c_str(), entry.url.size() + 1);
  record->dwStructSize = sizeof(INTERNET_CACHE_ENTRY_INFOA);
  record->lpszSourceUrlName = url;
  record->CacheEntryType = entry.type;
  *size = needed;
  return TRUE;
}

const CacheEntry* EntryFrom(uint64_t id) {
  for (const CacheEntry& entry : M().cache)
    if (entry.id >= id) return &entry;
  return nullptr;
}

}  // namespace

bool CloseOtherHandle(HANDLE handle) {
  if (g_extra.tokens.erase(handle)) return true;
  return handle == kCurrentProcess;
}

void ResetSystem() {
  Machine& m = M();
  g_extra = Extra();
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

void AddCacheEntry(const std::string& url, DWORD type) {
  Machine& m = M();
  m.cache.push_back(CacheEntry{m.nextCacheId++, url, type});
}

std::vector<std::string> CacheUrls() {
  std::vector<std::string> urls;
  for (const CacheEntry& entry : M().cache) urls.push_back(entry.url);
  return urls;
}

void SetUrlHistoryResult(HRESULT result) { M().urlHistoryResult = result; }
int UrlHistoryClears() { return M().urlHistoryClears; }

void SetClipboardText(const std::string& text) {
  M().clipboardText = text;
  M().clipboardHasData = true;
}
bool ClipboardHasData() { return M().clipboardHasData; }
void HoldClipboard() { M().clipboardHeldByOther = true; }
void ReleaseClipboard() { M().clipboardHeldByOther = false; }
HWND LastClipboardOwner() { return M().clipboardOwner; }

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

// ---- Internet cache --------------------------------------------------------------------
HANDLE WINAPI FindFirstUrlCacheEntryA(LPCSTR lpszUrlSearchPattern,
                                      LPINTERNET_CACHE_ENTRY_INFOA lpFirstCacheEntryInfo,
                                      LPDWORD lpcbCacheEntryInfo) {
  if (Enter("FindFirstUrlCacheEntryA", lpszUrlSearchPattern ? lpszUrlSearchPattern : "",
            lpcbCacheEntryInfo ? *lpcbCacheEntryInfo : 0))
    return nullptr;
  const sim::CacheEntry* entry = sim::EntryFrom(0);
  if (!entry) {
    M().lastError = ERROR_NO_MORE_ITEMS;
    return nullptr;
  }
  if (!sim::FillRecord(*entry, lpFirstCacheEntryInfo, lpcbCacheEntryInfo)) return nullptr;
  HANDLE walk = sim::NewHandle();
  M().cacheWalks[walk] = sim::CacheWalk{entry->id + 1};
  return walk;
}

BOOL WINAPI FindNextUrlCacheEntryA(HANDLE hEnumHandle,
                                   LPINTERNET_CACHE_ENTRY_INFOA lpNextCacheEntryInfo,
                                   LPDWORD lpcbCacheEntryInfo) {
  if (Enter("FindNextUrlCacheEntryA", "", lpcbCacheEntryInfo ? *lpcbCacheEntryInfo : 0))
    return FALSE;
  auto walk = M().cacheWalks.find(hEnumHandle);
  if (walk == M().cacheWalks.end()) {
    M().lastError = ERROR_INVALID_HANDLE;
    return FALSE;
  }
  const sim::CacheEntry* entry = sim::EntryFrom(walk->second.nextId);
  if (!entry) {
    M().lastError = ERROR_NO_MORE_ITEMS;
    return FALSE;
  }
  if (!sim::FillRecord(*entry, lpNextCacheEntryInfo, lpcbCacheEntryInfo)) return FALSE;
  walk->second.nextId = entry->id + 1;
  return TRUE;
}

BOOL WINAPI FindCloseUrlCache(HANDLE hEnumHandle) {
  Enter("FindCloseUrlCache", "");
  if (M().cacheWalks.erase(hEnumHandle)) return TRUE;
  M().lastError = ERROR_INVALID_HANDLE;
  return FALSE;
}

BOOL WINAPI DeleteUrlCacheEntryA(LPCSTR lpszUrlName) {
  std::string url = lpszUrlName ? lpszUrlName : "";
  if (Enter("DeleteUrlCacheEntryA", url)) return FALSE;
  auto& cache = M().cache;
  for (auto entry = cache.begin(); entry != cache.end(); ++entry) {
    if (entry->url == url) {
      cache.erase(entry);
      return TRUE;
    }
  }
  M().lastError = ERROR_FILE_NOT_FOUND;
  return FALSE;
}

BOOL WINAPI InternetSetCookieA(LPCSTR lpszUrl, LPCSTR lpszCookieName, LPCSTR) {
  std::string url = lpszUrl ? lpszUrl : "";
  if (Enter("InternetSetCookieA", url)) return FALSE;
  (void)lpszCookieName;
  // The cache keys a cookie by user, host and path: "Cookie:user@host/path".
  std::string rest = url.substr(url.find("://") == std::string::npos ? 0 : url.find("://") + 3);
  if (rest.find('/') == std::string::npos) rest += "/";
  std::string key = "Cookie:user@" + rest;
  for (const sim::CacheEntry& entry : M().cache)
    if (entry.url == key) return TRUE;
  sim::AddCacheEntry(key, COOKIE_CACHE_ENTRY | NORMAL_CACHE_ENTRY);
  return TRUE;
}

BOOL WINAPI CreateUrlCacheEntryA(LPCSTR lpszUrlName, DWORD, LPCSTR lpszFileExtension,
                                 LPSTR lpszFileName, DWORD) {
  if (Enter("CreateUrlCacheEntryA", lpszUrlName ? lpszUrlName : "")) return FALSE;
  static int serial = 0;
  std::string name = M().specialFolders[CSIDL_INTERNET_CACHE] + "\\entry" +
                     std::to_string(++serial) + "." +
                     (lpszFileExtension ? lpszFileExtension : "dat");
  std::memcpy(lpszFileName, name.c_str(), name.size() + 1);
  return TRUE;
}

BOOL WINAPI CommitUrlCacheEntryA(LPCSTR lpszUrlName, LPCSTR, FILETIME, FILETIME,
                                 DWORD CacheEntryType, LPBYTE, DWORD, LPCSTR, LPCSTR) {
  std::string url = lpszUrlName ? lpszUrlName : "";
  if (Enter("CommitUrlCacheEntryA", url, 0, CacheEntryType)) return FALSE;
  sim::AddCacheEntry(url, CacheEntryType);
  return TRUE;
}

// ---- COM -------------------------------------------------------------------------------
HRESULT WINAPI CoInitializeEx(LPVOID, DWORD) {
  Enter("CoInitializeEx", "");
  return sim::g_extra.comInits++ == 0 ? S_OK : S_FALSE;
}

void WINAPI CoUninitialize(void) {
  Enter("CoUninitialize", "");
  if (sim::g_extra.comInits > 0) --sim::g_extra.comInits;
}

HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN, DWORD dwClsContext, REFIID riid,
                                LPVOID* ppv) {
  *ppv = nullptr;
  DWORD injected = sim::EnterStatus("CoCreateInstance", "", 0, dwClsContext);
  if (injected != ERROR_SUCCESS) return static_cast<HRESULT>(injected);
  if (sim::g_extra.comInits == 0) return CO_E_NOTINITIALIZED;
  if (!sim::SameGuid(rclsid, sim::kClsidUrlHistory)) return REGDB_E_CLASSNOTREG;
  if (!sim::SameGuid(riid, sim::kIidUrlHistoryStg2)) return E_NOINTERFACE;
  if (FAILED(M().urlHistoryResult)) return M().urlHistoryResult;
  *ppv = static_cast<IUrlHistoryStg2*>(new sim::UrlHistory());
  return S_OK;
}

// ---- global memory and the clipboard --------------------------------------------------
HGLOBAL WINAPI GlobalAlloc(UINT, size_t dwBytes) {
  HGLOBAL memory = sim::NewHandle();
  sim::g_extra.globals[memory] = std::string(dwBytes, '\0');
  return memory;
}

LPVOID WINAPI GlobalLock(HGLOBAL hMem) {
  auto found = sim::g_extra.globals.find(hMem);
  return found == sim::g_extra.globals.end() ? nullptr : &found->second[0];
}

BOOL WINAPI GlobalUnlock(HGLOBAL) { return TRUE; }

HGLOBAL WINAPI GlobalFree(HGLOBAL hMem) {
  sim::g_extra.globals.erase(hMem);
  return nullptr;
}

BOOL WINAPI OpenClipboard(HWND hWndNewOwner) {
  if (Enter("OpenClipboard", "", 0, static_cast<DWORD>(reinterpret_cast<uintptr_t>(hWndNewOwner))))
    return FALSE;
  if (M().clipboardHeldByOther) {
    M().lastError = ERROR_ACCESS_DENIED;
    return FALSE;
  }
  M().clipboardOpen = true;
  M().clipboardOwner = hWndNewOwner;
  return TRUE;
}

BOOL WINAPI EmptyClipboard(void) {
  if (Enter("EmptyClipboard", "")) return FALSE;
  if (!M().clipboardOpen) {
    M().lastError = ERROR_CLIPBOARD_NOT_OPEN;
    return FALSE;
  }
  M().clipboardHasData = false;
  M().clipboardText.clear();
  return TRUE;
}

BOOL WINAPI CloseClipboard(void) {
  if (Enter("CloseClipboard", "")) return FALSE;
  if (!M().clipboardOpen) {
    M().lastError = ERROR_CLIPBOARD_NOT_OPEN;
    return FALSE;
  }
  M().clipboardOpen = false;
  return TRUE;
}

HANDLE WINAPI SetClipboardData(UINT uFormat, HANDLE hMem) {
  if (Enter("SetClipboardData", "", uFormat)) return nullptr;
  if (!M().clipboardOpen || uFormat != CF_TEXT) {
    M().lastError = ERROR_CLIPBOARD_NOT_OPEN;
    return nullptr;
  }
  auto found = sim::g_extra.globals.find(hMem);
  if (found == sim::g_extra.globals.end()) return nullptr;
  sim::SetClipboardText(found->second.c_str());
  sim::g_extra.globals.erase(found);  // the clipboard owns it now
  return hMem;
}

HANDLE WINAPI GetClipboardData(UINT uFormat) {
  if (Enter("GetClipboardData", "", uFormat)) return nullptr;
  if (!M().clipboardOpen || uFormat != CF_TEXT || !M().clipboardHasData) return nullptr;
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, M().clipboardText.size() + 1);
  std::memcpy(GlobalLock(copy), M().clipboardText.c_str(), M().clipboardText.size() + 1);
  return copy;
}

BOOL WINAPI IsClipboardFormatAvailable(UINT format) {
  return format == CF_TEXT && M().clipboardHasData;
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
  sim::g_extra.tokens.insert(*TokenHandle);
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
  if (!sim::g_extra.tokens.count(TokenHandle)) {
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
