// Helpers of the file-system conformance tests (tests/conformance/Files*.cpp).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tests/conformance/Conformance.h"

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

// Names delivered by a listing of `pattern`, in order.
inline std::vector<std::string> Listing(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA record;
  HANDLE find = FindFirstFileA(pattern.c_str(), &record);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.push_back(record.cFileName);
  while (FindNextFileA(find, &record));
  FindClose(find);
  return names;
}

// Opens an existing file as Tidewisp's erasers do, to write.
inline HANDLE OpenToWrite(const std::string& path, DWORD share = 0) {
  return CreateFileA(path.c_str(), GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}
