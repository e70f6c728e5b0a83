#include "engine/browsers/BrowserProcesses.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <memory>

#include "engine/Handles.h"
#include "engine/Log.h"
#include "engine/Stop.h"

namespace {

// Where each browser of the tables in ChromiumBrowsers.cpp and
// FirefoxProfiles.cpp is installed: below Program Files, Program Files (x86)
// or %LOCALAPPDATA% (an installation for the user alone). Another channel
// (Edge Beta, Chrome SxS...) is installed at a path of its own, and a program
// of the same name anywhere else is not the browser.
struct BrowserInstall {
  const char* browser;
  const char* program;
  bool firefox;  // names its profile with -profile <folder>, not --user-data-dir=<folder>
};
const BrowserInstall kInstalls[] = {
    {"Microsoft Edge", "Microsoft\\Edge\\Application\\msedge.exe", false},
    {"Google Chrome", "Google\\Chrome\\Application\\chrome.exe", false},
    {"Brave", "BraveSoftware\\Brave-Browser\\Application\\brave.exe", false},
    {"Vivaldi", "Vivaldi\\Application\\vivaldi.exe", false},
    {"Chromium", "Chromium\\Application\\chrome.exe", false},
    {"Opera", "Programs\\Opera\\opera.exe", false},
    {"Opera GX", "Programs\\Opera GX\\opera.exe", false},
    {"Firefox", "Mozilla Firefox\\firefox.exe", true},
};
const int kInstallRoots[] = {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_LOCAL_APPDATA};

// How long a browser told that the session ends has to exit, and how long a
// terminated one has to go.
constexpr DWORD kExitWaitMs = 10000, kTerminatedWaitMs = 5000;

struct KernelTraits {  // OpenProcess, OpenProcessToken
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { CloseHandle(h); }
};
using CKernelHandle = CHandleOwner<KernelTraits>;

// What closing needs: waiting for the process, reading its command line,
// ending it. Granted on a process of the same user that is not elevated.
constexpr DWORD kCloseAccess =
    PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE | SYNCHRONIZE;

struct BrowserProcess {
  DWORD id, parent;
  CKernelHandle handle;
};
using Processes = std::vector<std::unique_ptr<BrowserProcess>>;

// The TOKEN_USER of a process, or nothing.
std::vector<BYTE> ProcessUser(HANDLE process) {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &raw)) return {};
  CKernelHandle token(raw);
  DWORD size = 0;
  GetTokenInformation(raw, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> user(size);
  if (size < sizeof(TOKEN_USER) || !GetTokenInformation(raw, TokenUser, user.data(), size, &size))
    return {};
  return user;
}

bool SameUser(const std::vector<BYTE>& a, const std::vector<BYTE>& b) {
  return !a.empty() && !b.empty() &&
         EqualSid(reinterpret_cast<const TOKEN_USER*>(a.data())->User.Sid,
                  reinterpret_cast<const TOKEN_USER*>(b.data())->User.Sid);
}

// A process's command line, or "" when it cannot be read. Windows 8.1 and
// later answer ProcessCommandLineInformation, which Wine 8 refuses
// (STATUS_INVALID_INFO_CLASS); both keep the line in the process's
// parameters, which its PEB points to on every version, so that is read.
std::wstring CommandLine(HANDLE process) {
  using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  static const auto query = reinterpret_cast<Query>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
  auto read = [process](const void* at, void* to, size_t size) {
    SIZE_T got = 0;
    return ReadProcessMemory(process, at, to, size, &got) && got == size;
  };
  PROCESS_BASIC_INFORMATION basic = {};
  const BYTE* parameters = nullptr;
  UNICODE_STRING line = {};
  if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 ||
      !basic.PebBaseAddress ||
      !read(reinterpret_cast<const BYTE*>(basic.PebBaseAddress) + offsetof(PEB, ProcessParameters),
            &parameters, sizeof parameters) ||
      !parameters ||
      !read(parameters + offsetof(RTL_USER_PROCESS_PARAMETERS, CommandLine), &line, sizeof line))
    return {};
  std::wstring text(line.Length / sizeof(wchar_t), L'\0');
  return !text.empty() && read(line.Buffer, &text[0], text.size() * sizeof(wchar_t)) ? text : L"";
}

bool SameFolder(const wchar_t* named, const std::string& folder) {
  wchar_t full[MAX_PATH] = {};
  DWORD length = GetFullPathNameW(named, MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) return false;
  while (length > 3 && full[length - 1] == L'\\') full[--length] = L'\0';
  char text[MAX_PATH * 3] = {};
  return WideCharToMultiByte(CP_UTF8, 0, full, -1, text, sizeof text, nullptr, nullptr) &&
         lstrcmpiA(text, folder.c_str()) == 0;
}

// Whether a command line names a profile folder other than `folder`. Both
// families take a switch after "--", "-" or "/", in any case; Chromium's
// value follows "=", Firefox's is the next argument. Firefox's -P names a
// profile by its name, which cannot be told from another's.
bool NamesAnother(const std::wstring& line, bool firefox, const std::string& folder) {
  int count = 0;
  LPWSTR* args = line.empty() ? nullptr : CommandLineToArgvW(line.c_str(), &count);
  bool another = false;
  for (int i = 1; i < count && !another; ++i) {
    std::wstring arg = args[i];
    size_t start = arg.compare(0, 2, L"--") == 0 ? 2 : arg[0] == L'-' || arg[0] == L'/' ? 1 : 0;
    size_t equals = arg.find(L'=');
    std::wstring name = arg.substr(start, equals == std::wstring::npos ? equals : equals - start);
    const wchar_t* value = equals != std::wstring::npos ? &args[i][equals + 1]
                           : firefox && i + 1 < count   ? args[i + 1]
                                                        : L"";
    if (start && _wcsicmp(name.c_str(), firefox ? L"profile" : L"user-data-dir") == 0)
      another = !SameFolder(value, folder);
    another = another || (start && firefox && _wcsicmp(name.c_str(), L"p") == 0);
  }
  if (args) LocalFree(args);
  return another;
}

bool IsProgram(HANDLE process, const std::vector<std::string>& programs) {
  char image[MAX_PATH * 3] = {};
  DWORD size = sizeof image;
  if (!QueryFullProcessImageNameA(process, 0, image, &size)) return false;
  for (const std::string& program : programs)
    if (lstrcmpiA(image, program.c_str()) == 0) return true;
  return false;
}

// Into `found`, the processes of `install` that run on `folder` as this user
// in this session. False when a process of that installation in this session
// cannot be opened to be closed (an elevated browser): the browser is then
// taken to be in use.
bool ListProcesses(CRunContext& run, const BrowserInstall& install, const std::string& folder,
                   Processes& found) {
  std::vector<std::string> programs;
  for (int root : kInstallRoots)
    if (run.SpecialFolder(root))
      programs.push_back(std::string(run.pathBuffer) + "\\" + install.program);
  DWORD self = GetCurrentProcessId(), session = 0;
  std::vector<BYTE> user = ProcessUser(GetCurrentProcess());
  CFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  if (!ProcessIdToSessionId(self, &session) || user.empty() || !snapshot.IsValid()) return false;
  std::vector<DWORD> others;  // the installation's processes on other folders
  for (BOOL more = Process32First(snapshot.Get(), &entry); more;
       more = Process32Next(snapshot.Get(), &entry)) {
    DWORD id = entry.th32ProcessID, in = 0;
    if (id == self || !ProcessIdToSessionId(id, &in) || in != session) continue;
    auto process = std::make_unique<BrowserProcess>();
    process->id = id, process->parent = entry.th32ParentProcessID;
    process->handle.Reset(OpenProcess(kCloseAccess, FALSE, id));
    CKernelHandle query(process->handle.IsValid()
                            ? nullptr
                            : OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!IsProgram(query.IsValid() ? query.Get() : process->handle.Get(), programs)) continue;
    if (!process->handle.IsValid()) return false;
    if (!SameUser(ProcessUser(process->handle.Get()), user)) continue;
    if (NamesAnother(CommandLine(process->handle.Get()), install.firefox, folder))
      others.push_back(id);
    else
      found.push_back(std::move(process));
  }
  // A child of another folder's browser is that browser's too: Firefox does
  // not name the profile in its children's command lines.
  for (bool moved = true; moved;) {
    auto child = std::find_if(found.begin(), found.end(), [&](const auto& process) {
      return std::find(others.begin(), others.end(), process->parent) != others.end();
    });
    moved = child != found.end();
    if (moved) others.push_back((*child)->id), found.erase(child);
  }
  return true;
}

// The top-level windows of `processes`, hidden ones included.
std::vector<HWND> TopLevelWindows(const Processes& processes) {
  struct Search {
    const Processes& processes;
    std::vector<HWND> windows;
  } search{processes, {}};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto& search = *reinterpret_cast<Search*>(param);
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        for (const auto& process : search.processes)
          if (process->id == id) search.windows.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.windows;
}

// The processes to close: those running on each folder, when none of them
// shows a window. IsWindowVisible is true of a minimized window and of one on
// another virtual desktop: both are a browser in use.
Processes FindBackground(CRunContext& run, const BrowserInstall& install,
                         const std::vector<std::string>& folders) {
  Processes background;
  for (const std::string& folder : folders) {
    Processes found;
    if (!ListProcesses(run, install, folder, found) || found.empty()) continue;
    std::vector<HWND> windows = TopLevelWindows(found);
    if (std::any_of(windows.begin(), windows.end(), IsWindowVisible)) continue;
    for (auto& process : found)
      if (std::none_of(background.begin(), background.end(),
                       [&](const auto& known) { return known->id == process->id; }))
        background.push_back(std::move(process));
  }
  return background;
}

// Whether the process ended before the deadline. The wait looks at Stop
// every tenth of a second: a stopped run does not sit out the browser's time.
bool AwaitEnd(HANDLE process, ULONGLONG deadline) {
  for (;;) {
    ULONGLONG now = GetTickCount64();
    DWORD slice = static_cast<DWORD>(now < deadline ? std::min<ULONGLONG>(deadline - now, 100) : 0);
    if (WaitForSingleObject(process, slice) == WAIT_OBJECT_0) return true;
    if (slice == 0 || StopRequested()) return false;
  }
}

// As Windows ends programs at sign-out: every top-level window is asked
// whether the session may end, then told that it ends; whatever has not
// exited after the wait is terminated. True when every process has ended.
// A run stopped meanwhile terminates nothing: the browser was told to close
// and may still do so by itself.
bool EndProcesses(const Processes& processes) {
  ULONGLONG deadline = GetTickCount64() + kExitWaitMs;
  auto left = [&deadline] {
    ULONGLONG now = GetTickCount64();
    return static_cast<DWORD>(now < deadline ? deadline - now : 0);
  };
  std::vector<HWND> windows = TopLevelWindows(processes);
  for (UINT message : {WM_QUERYENDSESSION, WM_ENDSESSION})
    for (HWND window : windows) {
      DWORD_PTR answer = 0;
      SendMessageTimeoutA(window, message, message == WM_ENDSESSION, ENDSESSION_CLOSEAPP,
                          SMTO_ABORTIFHUNG, std::max<DWORD>(left(), 1), &answer);
    }
  for (const auto& process : processes)
    if (!AwaitEnd(process->handle.Get(), deadline) && !StopRequested())
      TerminateProcess(process->handle.Get(), 1);
  deadline = GetTickCount64() + kTerminatedWaitMs;
  bool ended = true;
  for (const auto& process : processes)
    ended = AwaitEnd(process->handle.Get(), deadline) && ended;
  return ended;
}

}  // namespace

bool CloseBackgroundBrowser(CRunContext& run, const char* browser,
                            const std::vector<std::string>& folders) {
  const BrowserInstall* install = std::find_if(
      std::begin(kInstalls), std::end(kInstalls),
      [browser](const BrowserInstall& known) { return lstrcmpA(known.browser, browser) == 0; });
  if (install == std::end(kInstalls) || FindBackground(run, *install, folders).empty())
    return false;
  std::string name = browser;
  if (!AskUser(name + " is running in the background, with no window open.\n\n"
                      "Close it so that its traces can be erased?",
               true))
    return false;
  // Found again: a window may have opened while the question was shown, and
  // then the lock stays held. Found none: the browser may have ended itself.
  Processes background = FindBackground(run, *install, folders);
  if (!background.empty() && EndProcesses(background))
    LogReportLine("Closed " + name + ", which was running in the background.");
  return true;
}
