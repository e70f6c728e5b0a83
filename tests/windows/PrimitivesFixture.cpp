#include "tests/windows/PrimitivesFixture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Wine's own export: the Unix path of a DOS path, in a heap block of the
// process heap. Only looked up under Wine.
using UnixNameFn = char*(CDECL*)(const WCHAR*);

std::string UnixPath(const std::string& dosPath) {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto convert = reinterpret_cast<UnixNameFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
  if (!convert) return "";
  std::vector<WCHAR> wide(dosPath.size() + 1);
  MultiByteToWideChar(CP_ACP, 0, dosPath.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  char* unix = convert(wide.data());
  if (!unix) return "";
  std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

// Starts a program and, for Windows programs, waits for it. Wine starts a
// Unix program without a process to wait on, so callers poll for its effect.
bool Start(std::string commandLine) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

// Waits up to five seconds for the path's attributes to satisfy `done`.
template <typename Done>
bool Await(const std::string& path, Done done) {
  for (int i = 0; i < 100; ++i) {
    if (done(GetFileAttributesA(path.c_str()))) return true;
    Sleep(50);
  }
  return false;
}

bool IsLinkAttributes(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

bool UnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool WineAsRoot() {
  char value[8] = {};
  return UnderWine() && GetEnvironmentVariableA("TIDEWISP_WINE_ROOT", value, sizeof value) > 0 &&
         value[0] == '1';
}

std::string Unique(const char* prefix) {
  static int serial = 0;
  char text[64];
  std::snprintf(text, sizeof text, "%s%lx_%d", prefix, GetCurrentProcessId(), ++serial);
  return text;
}

void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA record;
  HANDLE find = FindFirstFileA((path + "\\*.*").c_str(), &record);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = record.cFileName;
      if (name == "." || name == "..") continue;
      std::string child = path + "\\" + name;
      bool link = (record.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      if (!link) SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !link) {
        RemoveTree(child);
      } else if (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryA(child.c_str());
      } else {
        DeleteFileA(child.c_str());
      }
    } while (FindNextFileA(find, &record));
    FindClose(find);
  }
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(path.c_str());
}

std::string ReadAll(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string all;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) all.append(buffer, got);
  CloseHandle(file);
  return all;
}

void PrimitivesTest::SetUp() {
  char temp[MAX_PATH];
  DWORD length = GetTempPathA(MAX_PATH, temp);
  ASSERT_GT(length, 0u);
  ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
  dir_ = std::string(temp) + Unique("twprim");
  ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr)) << dir_ << " error " << GetLastError();
}

void PrimitivesTest::TearDown() {
  // The link goes first, by itself: removing it through the file API could
  // remove what it leads to (under Wine, RemoveDirectoryA on a link to an
  // empty folder removes that folder and leaves the link).
  if (!link_.empty()) {
    if (UnderWine()) {
      Start("Z:\\bin\\rm -f " + Quoted(UnixPath(link_)));
      Await(link_, [](DWORD attributes) { return attributes == INVALID_FILE_ATTRIBUTES; });
    } else {
      RemoveDirectoryA(link_.c_str());
    }
    EXPECT_EQ(GetFileAttributesA(link_.c_str()), INVALID_FILE_ATTRIBUTES)
        << "the test link " << link_ << " is still there";
  }
  RemoveTree(dir_);
  if (!outside_.empty()) RemoveTree(outside_);
}

void PrimitivesTest::MakeDir(const std::string& name, DWORD attributes) {
  ASSERT_TRUE(CreateDirectoryA(Path(name).c_str(), nullptr))
      << Path(name) << " error " << GetLastError();
  if (attributes) {
    ASSERT_TRUE(SetFileAttributesA(Path(name).c_str(), attributes)) << GetLastError();
  }
}

void PrimitivesTest::MakeFile(const std::string& name, const std::string& contents,
                              DWORD attributes) {
  HANDLE file = CreateFileA(Path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << Path(name) << " error " << GetLastError();
  for (size_t at = 0; at < contents.size();) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(contents.size() - at, 1 << 20));
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, contents.data() + at, chunk, &written, nullptr));
    at += written;
  }
  CloseHandle(file);
  if (attributes) {
    ASSERT_TRUE(SetFileAttributesA(Path(name).c_str(), attributes)) << GetLastError();
  }
}

bool PrimitivesTest::Exists(const std::string& name) const {
  return GetFileAttributesA(Path(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string PrimitivesTest::MakeOutsideDir() {
  // Beside the test program: under Wine that is the build tree, reached
  // through drive Z:, outside the prefix and its C: drive.
  char module[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string folder(module, length);
  folder = folder.substr(0, folder.rfind('\\'));
  outside_ = folder + "\\" + Unique("twoutside");
  EXPECT_TRUE(CreateDirectoryA(outside_.c_str(), nullptr))
      << outside_ << " error " << GetLastError();
  return outside_;
}

bool PrimitivesTest::MakeFolderLink(const std::string& name, const std::string& target,
                                    std::string* why) {
  link_ = Path(name);
  if (UnderWine()) {
    // Wine 8's CreateSymbolicLinkA answers TRUE and makes nothing, but Wine
    // starts Unix programs through CreateProcessA: ln makes the link the way
    // a prefix's Documents leads to the home directory.
    std::string from = UnixPath(target), at = UnixPath(link_);
    if (from.empty() || at.empty()) {
      *why = "no Unix path for " + target + " or " + link_;
      return false;
    }
    if (!Start("Z:\\bin\\ln -s " + Quoted(from) + " " + Quoted(at))) {
      *why = "cannot start Z:\\bin\\ln, error " + std::to_string(GetLastError());
      return false;
    }
  } else {
    // A junction needs no privilege, unlike a symbolic link.
    Start("cmd.exe /c mklink /J " + Quoted(link_) + " " + Quoted(target));
  }
  if (!Await(link_, IsLinkAttributes)) {
    *why = "the link did not appear as a reparse point: attributes " +
           std::to_string(GetFileAttributesA(link_.c_str()));
    return false;
  }
  return true;
}
