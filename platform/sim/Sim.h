// Control API of the simulated Windows machine (host build only).
//
// Tests build a machine with these helpers, make named Win32 calls fail, read
// back what the program called, and dump the whole machine into a failing
// assertion. The program itself never includes this header; it sees only the
// Win32 calls declared in platform/win32.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace sim {

// A fresh machine: drive C: with C:\windows, a temporary folder and the
// special folders of a current Windows profile; empty HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE; an empty URL cache and clipboard; no injected failures;
// an empty call log; the clock at kDefaultTime.
void Reset();

constexpr int64_t kDefaultTime = 1700000000;  // 2023-11-14 22:13:20 UTC

// The paths of the fresh machine.
extern const char* const kWindowsDir;   // C:\windows
extern const char* const kTempDir;      // C:\users\user\Temp\ (with its backslash)
extern const char* const kProfileDir;   // C:\users\user

// ---- file system ---------------------------------------------------------------
// Paths are Windows paths ("C:\a\b"); parents are created as needed.
void AddDrive(char letter);
void MakeDir(const std::string& path, DWORD attributes = 0);
void MakeFile(const std::string& path, const std::string& contents = "", DWORD attributes = 0);
// A file of `size` bytes, every byte `fill`, stored without allocating them.
void MakeBigFile(const std::string& path, uint64_t size, uint8_t fill);
// A reparse point at `path` that leads to `target` (a directory junction or
// symbolic link when `directory`, else a file symbolic link).
void MakeLink(const std::string& path, const std::string& target, bool directory);

bool Exists(const std::string& path);      // the name itself (a link counts)
bool IsDir(const std::string& path);
DWORD Attributes(const std::string& path);  // INVALID_FILE_ATTRIBUTES when missing
std::string Contents(const std::string& path);  // whole contents (small files only)
uint64_t FileSize(const std::string& path);
// True when every byte of [from, size) equals `byte` (cheap on big files).
bool BytesAre(const std::string& path, uint64_t from, uint8_t byte);
// Every path below `root` (not `root` itself), in listing order, depth first.
std::vector<std::string> Tree(const std::string& root);

// Another program holds the file open with these rights and sharing.
HANDLE HoldOpen(const std::string& path, DWORD access, DWORD share);
void Release(HANDLE handle);

// ---- registry ------------------------------------------------------------------
// `key` is a path below `root` ("Software\Marrowfield\Tidewisp").
void MakeKey(HKEY root, const std::string& key);
void SetValue(HKEY root, const std::string& key, const std::string& name, DWORD type,
              const std::string& data);
void SetString(HKEY root, const std::string& key, const std::string& name,
               const std::string& text);  // REG_SZ stored with its NUL
bool KeyExists(HKEY root, const std::string& key);
bool ValueExists(HKEY root, const std::string& key, const std::string& name);
std::string ValueData(HKEY root, const std::string& key, const std::string& name);
DWORD ValueType(HKEY root, const std::string& key, const std::string& name);
std::vector<std::string> ValueNames(HKEY root, const std::string& key);
std::vector<std::string> SubKeys(HKEY root, const std::string& key);
// Opening the key with any of the `denied` rights fails with ERROR_ACCESS_DENIED.
void DenyAccess(HKEY root, const std::string& key, REGSAM denied);

// ---- system folders ------------------------------------------------------------
void SetSpecialFolder(int csidl, const std::string& path);
void RemoveSpecialFolder(int csidl);  // SHGetSpecialFolderPathA fails for it
void SetTempPath(const std::string& path);        // returned as is, also when too long
void SetWindowsDirectory(const std::string& path);

// ---- Internet cache and URL history --------------------------------------------
void AddCacheEntry(const std::string& url, DWORD type);
std::vector<std::string> CacheUrls();
// What CoCreateInstance answers for the URL history object (S_OK by default).
void SetUrlHistoryResult(HRESULT result);
int UrlHistoryClears();  // calls of ClearHistory so far

// ---- clipboard -----------------------------------------------------------------
void SetClipboardText(const std::string& text);
bool ClipboardHasData();
// Another window holds the clipboard open; OpenClipboard fails until released.
void HoldClipboard();
void ReleaseClipboard();
HWND LastClipboardOwner();  // the window passed to the last successful OpenClipboard

// ---- process, token and shutdown -----------------------------------------------
void SetCommandLine(const std::string& line);
void SetModulePath(const std::string& path);  // what GetModuleFileNameA reports
void SetExitWindowsResult(BOOL accepted);      // for every request
void SetOpenTokenResult(BOOL ok);
void SetAdjustPrivilegesError(DWORD lastError);  // GetLastError after AdjustTokenPrivileges
std::vector<UINT> ExitWindowsRequests();
bool PrivilegeAdjusted();  // AdjustTokenPrivileges enabled SeShutdownPrivilege

// ---- clock ---------------------------------------------------------------------
void SetTime(int64_t unixSeconds);

// ---- message boxes -------------------------------------------------------------
struct MessageBoxRecord {
  std::string text;
  std::string caption;
  UINT style;
};
std::vector<MessageBoxRecord> MessageBoxes();
void SetMessageBoxAnswer(int answer);  // IDOK by default

// ---- injected failures ---------------------------------------------------------
// The named Win32 call fails with `status` when its subject matches `subject`
// (case-insensitively; empty matches every subject), `times` times (-1: always).
// Subjects: the full path for file calls; "HKCU\key" or "HKLM\key" (the key the
// call addresses, with the sub-key or value name appended after a backslash
// where the call takes one) for registry calls; the CSIDL number in decimal for
// SHGetSpecialFolderPathA; the URL for cache calls; "" for the rest.
void FailCall(const std::string& call, DWORD status, const std::string& subject = "",
              int times = -1);

// ---- call log ------------------------------------------------------------------
struct Call {
  std::string name;     // "WriteFile"
  std::string subject;  // as for FailCall
  uint64_t size;        // bytes asked to write or read, a buffer size, a CSIDL...
  DWORD flags;          // access, disposition, attributes...: per call
};
const std::vector<Call>& Calls();
std::vector<Call> CallsOf(const std::string& name);
void ClearCalls();
void SetCallLogging(bool on);  // off for benchmarks

// ---- diagnostics ----------------------------------------------------------------
// The whole machine as text: folders and files with attributes and sizes,
// registry keys and values, cache entries, clipboard, open handles.
std::string Dump();

}  // namespace sim
