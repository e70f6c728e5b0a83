// Folder listings of the simulated machine: FindFirstFileA, FindNextFileA,
// FindClose.
//
// A listing takes the matching names when it starts, in NTFS order (upper-cased
// names compared bytewise, "." and ".." first outside a drive root), and looks
// each one up again as it is delivered: entries deleted meanwhile are skipped,
// so the eraser can delete as it lists and still sees every survivor once.
// Entries made during a listing are not delivered (NTFS may or may not show
// them, depending on where they sort and on its buffering).
#include <algorithm>
#include <cstring>

#include "platform/sim/Files.h"

namespace sim {

namespace {

BOOL Fail(DWORD status) {
  M().lastError = status;
  return FALSE;
}

HANDLE FailFind(DWORD status) {
  M().lastError = status;
  return INVALID_HANDLE_VALUE;
}

bool Glob(const char* pattern, const char* name) {
  // Iterative matching with backtracking to the last '*'.
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name) {
    if (*pattern == '?' || *pattern == *name) {
      ++pattern;
      ++name;
    } else if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (star) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

// The DOS rules Win32 keeps: "*.*" is every name, and "x.*" also matches "x".
bool Matches(const std::string& pattern, const std::string& name) {
  std::string p = Upper(pattern), n = Upper(name);
  if (p == "*.*" || Glob(p.c_str(), n.c_str())) return true;
  return p.size() >= 2 && p.compare(p.size() - 2, 2, ".*") == 0 &&
         Glob(p.substr(0, p.size() - 2).c_str(), n.c_str());
}

FILETIME Now() {
  uint64_t ticks = (static_cast<uint64_t>(M().now) + 11644473600ull) * 10000000ull;
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

void Fill(const Node& node, const std::string& name, WIN32_FIND_DATAA* record) {
  std::memset(record, 0, sizeof *record);
  record->dwFileAttributes = ReportedAttributes(&node);
  record->ftCreationTime = record->ftLastAccessTime = record->ftLastWriteTime = Now();
  // A link's own entry is listed (size 0), not what it leads to.
  if (!node.directory && node.file) {
    uint64_t size = node.file->data.Size();
    record->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    record->nFileSizeLow = static_cast<DWORD>(size);
  }
  if (node.link) record->dwReserved0 = node.directory ? kReparseTagMountPoint : kReparseTagSymlink;
  std::memcpy(record->cFileName, name.c_str(), std::min<size_t>(name.size(), MAX_PATH - 1));
}

// The folder a listing reads, found again by its path on every call.
Node* ListedFolder(const std::string& folderPath, DWORD* error) {
  Path path = ParsePath(folderPath.c_str());
  Place place = Locate(path);
  *error = place.error;
  if (place.error) return nullptr;
  Node* folder = Target(place.node);
  if (!folder) {
    *error = ERROR_PATH_NOT_FOUND;
    return nullptr;
  }
  if (!folder->directory) {
    *error = ERROR_DIRECTORY;
    return nullptr;
  }
  return folder;
}

const Node* Entry(const Node* folder, const std::string& name) {
  if (name == ".") return folder;
  if (name == "..") return folder->parent;
  return ChildOf(folder, name);
}

// Delivers the next pending name that still exists.
bool Next(FindState& state, WIN32_FIND_DATAA* record) {
  DWORD error = ERROR_SUCCESS;
  const Node* folder = ListedFolder(state.dirPath, &error);
  while (folder && !state.pending.empty()) {
    std::string name = state.pending.back();
    state.pending.pop_back();
    const Node* entry = Entry(folder, name);
    if (!entry) continue;
    Fill(*entry, name == "." || name == ".." ? name : entry->name, record);
    return true;
  }
  state.pending.clear();
  return false;
}

}  // namespace

}  // namespace sim

using namespace sim;

extern "C" {

HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
  std::string raw = lpFileName ? lpFileName : "";
  for (char& c : raw)
    if (c == '/') c = '\\';
  Path whole = ParsePath(raw.c_str(), true);
  if (Enter("FindFirstFileA", whole.text)) return INVALID_HANDLE_VALUE;

  // The last component is the pattern; the rest names the folder.
  size_t cut = raw.rfind('\\');
  if (cut == std::string::npos) cut = raw.size() >= 2 && raw[1] == ':' ? 1 : std::string::npos;
  std::string folderText = cut == std::string::npos ? "" : raw.substr(0, cut + 1);
  std::string pattern = cut == std::string::npos ? raw : raw.substr(cut + 1);

  if (whole.error && whole.error != ERROR_PATH_NOT_FOUND) return FailFind(whole.error);
  DWORD error = ERROR_SUCCESS;
  Node* folder = ListedFolder(folderText, &error);
  if (!folder) return FailFind(error);
  if (pattern.empty()) return FailFind(ERROR_FILE_NOT_FOUND);

  auto state = std::make_unique<FindState>();
  state->dirPath = ParsePath(folderText.c_str()).text;
  state->pattern = pattern;
  // Pending names are kept last-first, so that delivering one is a pop_back.
  for (auto child = folder->children.rbegin(); child != folder->children.rend(); ++child)
    if (Matches(pattern, child->second->name)) state->pending.push_back(child->second->name);
  if (folder->parent) {
    if (Matches(pattern, "..")) state->pending.push_back("..");
    if (Matches(pattern, ".")) state->pending.push_back(".");
  }
  if (!Next(*state, lpFindFileData)) return FailFind(ERROR_FILE_NOT_FOUND);
  HANDLE handle = NewHandle();
  M().finds[handle] = std::move(state);
  return handle;
}

BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
  if (Enter("FindNextFileA", HandleSubject(hFindFile))) return FALSE;
  auto found = M().finds.find(hFindFile);
  if (found == M().finds.end()) return Fail(ERROR_INVALID_HANDLE);
  if (!Next(*found->second, lpFindFileData)) return Fail(ERROR_NO_MORE_FILES);
  return TRUE;
}

BOOL WINAPI FindClose(HANDLE hFindFile) {
  if (Enter("FindClose", HandleSubject(hFindFile))) return FALSE;
  if (!M().finds.erase(hFindFile)) return Fail(ERROR_INVALID_HANDLE);
  return TRUE;
}

}  // extern "C"
