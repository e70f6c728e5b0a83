#include <string>

#include "ui/Pages.h"

namespace {

// The full long form of a path, without a trailing backslash but for a
// root's ("C:\"). A path that does not exist keeps its full form.
std::wstring LongPath(const std::wstring& path) {
  wchar_t full[MAX_PATH] = {}, longer[MAX_PATH] = {};
  if (!GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr)) return path;
  std::wstring result = GetLongPathNameW(full, longer, MAX_PATH) ? longer : full;
  while (result.size() > 3 && result.back() == L'\\') result.pop_back();
  return result;
}

// `folder` is `vital` or holds it, compared as file names are: without
// regard to case.
bool HoldsOrIs(const std::wstring& folder, const std::wstring& vital) {
  if (folder.empty() || vital.size() < folder.size()) return false;
  bool head = CompareStringOrdinal(folder.c_str(), static_cast<int>(folder.size()), vital.c_str(),
                                   static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL;
  return head &&
         (vital.size() == folder.size() || folder.back() == L'\\' || vital[folder.size()] == L'\\');
}

}  // namespace

const char* VitalContents(const std::string& folder) {
  wchar_t wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide, MAX_PATH);
  std::wstring path = LongPath(wide);
  // "C:\", or "\\server\share" with nothing below it.
  bool share = path.rfind(L"\\\\", 0) == 0 &&
               path.find(L'\\', path.find(L'\\', 2) + 1) == std::wstring::npos;
  if ((path.size() == 3 && path[1] == L':') || share) return "every file on the drive";
  const struct {
    int csidl;
    const char* contents;
  } vital[] = {{CSIDL_WINDOWS, "Windows itself: the computer would no longer start"},
               {CSIDL_PROGRAM_FILES, "the programs installed on this computer"},
               {CSIDL_PROGRAM_FILESX86, "the programs installed on this computer"},
               {CSIDL_PROFILE, "all of your documents, pictures and settings"}};
  for (const auto& entry : vital) {
    wchar_t known[MAX_PATH] = {};
    if (SHGetSpecialFolderPathW(nullptr, known, entry.csidl, FALSE) &&
        HoldsOrIs(path, LongPath(known)))
      return entry.contents;
  }
  return nullptr;
}
