// The working state of one cleaning run, shared by its steps.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32.h"
#include "profile/SweepProfile.h"

// The applications registered for the whole machine are 32-bit programs, which
// Windows keeps in the 32-bit view of HKEY_LOCAL_MACHINE\SOFTWARE; and a
// process that is not elevated may only read there (a 64-bit program, or one
// run asInvoker, gets no registry virtualization to fall back on).
constexpr REGSAM kMachineAppAccess = KEY_QUERY_VALUE | KEY_WOW64_32KEY;
// The user's own keys: the access the settings key is opened with, too.
constexpr REGSAM kUserAppAccess = KEY_ALL_ACCESS;

class CRunContext {
 public:
  explicit CRunContext(const CSweepProfile& profile) : m_profile(profile) {}
  CRunContext(const CRunContext&) = delete;
  CRunContext& operator=(const CRunContext&) = delete;

  bool On(TargetFlag flag) const { return m_profile.di[flag] != 0; }
  const CSweepProfile& Profile() const { return m_profile; }

  // Each fills the path buffer and answers whether the path is available: a
  // special folder when the shell names it; the temporary folder (with its
  // trailing backslash) and the Windows directory when their length is 1 to
  // 259, so that they fit the buffer with their NUL.
  bool SpecialFolder(int csidl);
  bool TempFolder();
  bool WindowsDirectory();

  // The folder of an application, from a registry value read into the path
  // buffer (260 bytes at most), less its last `cut` characters. False when
  // the key cannot be opened with `access`, the value is missing or does not
  // fit the buffer with a NUL, or the text is not longer than `cut`.
  bool LookupAppFolder(HKEY root, const char* key, REGSAM access, const char* value, size_t cut,
                       std::string& folder);

  // Every system folder and application path lands here, 260 the limit.
  char pathBuffer[MAX_PATH] = {};
  // Paths are built here by assigning a base and appending pieces that carry
  // their own leading backslash; nothing is inserted or normalised between.
  std::string path;

  // What the user's lists could not destroy, named in the run's summary: the
  // listed files that stayed, and the listed folders that stayed with the
  // number of files left in each.
  std::vector<std::string> notWiped;
  std::vector<std::pair<std::string, uint64_t>> notErased;
  // The jump lists left as they were because this program cannot read them.
  std::vector<std::string> jumpListsLeft;

 private:
  const CSweepProfile& m_profile;
};
