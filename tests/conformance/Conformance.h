// Shared fixture of the conformance tests: scenarios written only against the
// Win32 calls of platform/win32.h, run on the simulated machine (host build)
// and on the real API under Wine (windows build) with the same assertions.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/support/Win32Test.h"

void PrepareMachine();  // a fresh simulated machine on the host; nothing on Windows

using Names = std::vector<std::string>;

class Conformance : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A scratch folder (no trailing backslash) and a scratch key below
  // HKEY_CURRENT_USER, with a KEY_ALL_ACCESS handle to it; all removed after
  // the test.
  std::string dir_;
  std::string key_;
  HKEY scratch_ = nullptr;

  std::string Path(const std::string& name) const { return dir_ + "\\" + name; }
  void MakeDir(const std::string& name);
  void MakeFile(const std::string& name, const std::string& contents = "", DWORD attributes = 0);
  std::string ReadAll(const std::string& name) { return ::ReadAll(Path(name)); }
  bool Exists(const std::string& name) {
    return GetFileAttributesA(Path(name).c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  // Creates the sub-key of the scratch key and closes it again; the status.
  LONG MakeKey(const char* name);
  bool KeyExists(const char* name);
  Names SubKeys(HKEY key);  // by index until the first failure
};

// What a call answered: whether it worked and, when not, the last error. A
// failed expectation prints both, so a run under Wine shows what Wine said.
struct Answer {
  bool ok;
  DWORD error;
  bool operator==(const Answer& other) const {
    return ok == other.ok && (ok || error == other.error);
  }
};

inline std::ostream& operator<<(std::ostream& out, const Answer& answer) {
  if (answer.ok) return out << "succeeded";
  return out << "failed with error " << answer.error;
}

inline const Answer kSucceeds{true, ERROR_SUCCESS};
inline Answer FailsWith(DWORD error) { return Answer{false, error}; }

// The answer of a BOOL call; take it straight after the call.
inline Answer Result(BOOL ok) {
  return Answer{ok != FALSE, ok ? static_cast<DWORD>(ERROR_SUCCESS) : GetLastError()};
}

// The answer of a CreateFileA or FindFirstFileA call; a handle it gave is
// closed with `close`.
inline Answer Result(HANDLE handle, BOOL(WINAPI* close)(HANDLE) = CloseHandle) {
  if (handle == INVALID_HANDLE_VALUE) return FailsWith(GetLastError());
  close(handle);
  return kSucceeds;
}

// Where Wine answers otherwise than Windows: the test holds the sim (and
// Windows) to the first value and Wine to the second, which was observed
// under Wine 8 and is listed in docs/platform.md.
template <typename T>
T WindowsOrWine(T windows, T wine) {
  return UnderWine() ? wine : windows;
}

// Opens an existing file as Tidewisp's erasers do, to write.
inline HANDLE OpenToWrite(const std::string& path, DWORD share = 0) {
  return CreateFileA(path.c_str(), GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}
