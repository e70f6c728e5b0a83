#include "engine/EraseCount.h"
#include "engine/EraseNames.h"
#include "engine/Handles.h"
#include "engine/Primitives.h"
#include "engine/Stop.h"
#include "engine/ZeroFill.h"

namespace {

// The header kept by OverwriteIndexDat: it tells the browser the file is a
// valid, now empty, index.
constexpr uint64_t kIndexDatHeader = 64;

// A link found while emptying a folder belongs to that folder and goes with
// it, but only the link: its target lies elsewhere and is not this erasure's
// to touch, not even its attributes. A directory link is removed like an
// empty folder, a file link like a file.
//
// Observed under Wine 8, where a prefix's links are Unix symbolic links:
// RemoveDirectoryA on a link to a folder fails (ERROR_DIR_NOT_EMPTY) and
// leaves it while the target holds anything, but removes an empty target
// folder instead of the link; a link to a file is listed as a plain file, so
// it is deleted as one, and Wine's DeleteFileA then deletes the target.
void RemoveLink(const std::string& path, const WIN32_FIND_DATAA& record) {
  if (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
    RemoveDirectoryA(path.c_str());
  else
    CountDeletion(DeleteFileA(path.c_str()), ListedSize(record));
}

bool IsKept(const std::string& path, const std::vector<std::string>* keep) {
  if (!keep) return false;
  for (const std::string& kept : *keep)
    if (lstrcmpiA(kept.c_str(), path.c_str()) == 0) return true;
  return false;
}

// Streams the listing: each entry is erased while the listing is open, so
// memory stays one record per level however large the tree is. A stopped run
// leaves the rest of the tree as it is.
void EraseBelow(const std::string& folder, int eraseDesktopIni, int overwriteIndexDat,
                const std::vector<std::string>* keep = nullptr) {
  WIN32_FIND_DATAA record;
  CFindHandle find(FindFirstFileA((folder + "\\*.*").c_str(), &record));
  if (!find.IsValid()) return;
  do {
    if (StopRequested()) return;
    const char* name = record.cFileName;
    if (IsDotEntry(name)) continue;
    // Before the directory test, so that a folder of that name stays too.
    if (!eraseDesktopIni && IsFixedName(name, "desktop.ini")) continue;
    std::string path = ChildPath(folder, name);
    if (IsKept(path, keep)) continue;
    DWORD listed = record.dwFileAttributes;
    if (listed & FILE_ATTRIBUTE_REPARSE_POINT) {
      RemoveLink(path, record);
      continue;
    }
    ClearReadOnly(path);
    if (listed & FILE_ATTRIBUTE_DIRECTORY) {
      EraseBelow(path, eraseDesktopIni, overwriteIndexDat, keep);
      // Fails, and the folder stays, when something inside it stayed.
      RemoveDirectoryA(path.c_str());
    } else {
      if (overwriteIndexDat && IsFixedName(name, "index.dat")) OverwriteIndexDat(folder, name);
      CountDeletion(DeleteFileA(path.c_str()), ListedSize(record));
    }
  } while (FindNextFileA(find.Get(), &record));
}

}  // namespace

void EraseFolderContents(const std::string& folder, int eraseDesktopIni, int overwriteIndexDat) {
  // A starting folder that is itself a link is not listed: emptying it would
  // empty its target, such as the home directory a Wine prefix's Documents
  // leads to, or a folder a user's junction points at.
  if (!MayList(StartingFolderAttributes(folder))) return;
  EraseBelow(folder, eraseDesktopIni, overwriteIndexDat);
}

void EraseFolderContentsExcept(const std::string& folder, const std::vector<std::string>& keep) {
  if (!MayList(StartingFolderAttributes(folder))) return;
  EraseBelow(folder, 0, 0, &keep);
}

bool RemoveWholeFolder(const std::string& folder) {
  DWORD attributes = StartingFolderAttributes(folder);
  if (attributes == INVALID_FILE_ATTRIBUTES) return IsGoneError(GetLastError());
  if (!MayList(attributes)) return false;
  EraseBelow(folder, 1, 0);
  return RemoveDirectoryA(folder.c_str()) != FALSE;
}

int OverwriteIndexDat(const std::string& folder, const std::string& name) {
  // A write that failed still leaves the file to be deleted: the index is
  // going either way, and its header is all that was meant to stay.
  DWORD status = ZeroFillFrom(ChildPath(folder, name.c_str()), kIndexDatHeader);
  return status == ERROR_SUCCESS || status == ERROR_WRITE_FAULT ? 1 : 0;
}
