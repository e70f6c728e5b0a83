// The folders beside a LevelDB that CLevelDbRebuild makes, and the recovery
// of a swap a killed run left halfway.
#include <cstring>
#include <vector>

#include "engine/EraseCount.h"
#include "engine/EraseNames.h"
#include "engine/Handles.h"
#include "engine/Primitives.h"
#include "engine/Stop.h"
#include "engine/stores/LevelDb.h"
#include "engine/stores/LevelDbFolders.h"

namespace {

// The journal's whole content. A journal holding anything else was cut short
// by a kill while it was written, before any rename.
constexpr char kJournalMark[] = "Tidewisp LevelDB swap: the fresh database is complete.\r\n";
// Under Wine, copying a 56 MB folder in 64 KB pieces took 0.05 s, as
// CopyFileA does; in 1 MB pieces, 0.2 s.
constexpr DWORD kCopyChunk = 1 << 16;

bool IsFolder(const std::string& path) {
  DWORD attributes = StartingFolderAttributes(path);
  return MayList(attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool PathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CopyPlainFile(const std::string& from, const std::string& to, bool flush) {
  // The name is opened as it is, never through a link, and what was opened
  // is checked: a link put there after the listing is not followed.
  CFileHandle source(CreateFileA(
      from.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  BY_HANDLE_FILE_INFORMATION opened;
  if (!source.IsValid() || !GetFileInformationByHandle(source.Get(), &opened) ||
      (opened.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return false;
  CFileHandle target(CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!target.IsValid()) return false;
  std::vector<char> buffer(kCopyChunk);
  for (;;) {
    DWORD read = 0, written = 0;
    if (!ReadFile(source.Get(), buffer.data(), kCopyChunk, &read, nullptr)) return false;
    if (read == 0) break;
    if (!WriteFile(target.Get(), buffer.data(), read, &written, nullptr) || written != read)
      return false;
  }
  return !flush || FlushFileBuffers(target.Get());
}

bool CopyTree(const std::string& from, const std::string& to) {
  if (!IsFolder(from) || !CreateDirectoryA(to.c_str(), nullptr)) return false;
  WIN32_FIND_DATAA record;
  CFindHandle find(FindFirstFileA((from + "\\*.*").c_str(), &record));
  if (!find.IsValid()) return false;
  do {
    if (IsDotEntry(record.cFileName)) continue;
    if (record.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return false;
    std::string source = ChildPath(from, record.cFileName), copy = ChildPath(to, record.cFileName);
    if (!((record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? CopyTree(source, copy)
                                                               : CopyPlainFile(source, copy, true)))
      return false;
  } while (FindNextFileA(find.Get(), &record));
  return GetLastError() == ERROR_NO_MORE_FILES;
}

namespace {

void WipeBelow(const std::string& folder) {
  WIN32_FIND_DATAA record;
  CFindHandle find(FindFirstFileA((folder + "\\*.*").c_str(), &record));
  if (!find.IsValid()) return;
  do {
    if (IsDotEntry(record.cFileName) || (record.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      continue;
    std::string path = ChildPath(folder, record.cFileName);
    ClearReadOnly(path);
    if (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      WipeBelow(path);
      RemoveDirectoryA(path.c_str());
    } else {
      WipeFile(path);
    }
  } while (FindNextFileA(find.Get(), &record));
}

}  // namespace

bool WipeTree(const std::string& folder, bool counted) {
  if (!PathExists(folder)) return true;
  if (!IsFolder(folder)) return false;
  CEraseCount before = g_eraseCount;
  WipeBelow(folder);
  if (!counted) {
    g_eraseCount.erased = before.erased;
    g_eraseCount.bytes = before.bytes;
  }
  return RemoveDirectoryA(folder.c_str()) || !PathExists(folder);
}

bool WriteJournal(const std::string& path) {
  // Never over a journal a run before left: it still has folders to erase.
  CFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return false;
  DWORD size = sizeof kJournalMark - 1, written = 0;
  // Flushed before the first rename: a journal that a power cut lost would
  // leave F missing with nothing to say that the fresh folder is complete.
  if (WriteFile(file.Get(), kJournalMark, size, &written, nullptr) && written == size &&
      FlushFileBuffers(file.Get()))
    return true;
  file.Reset();
  DeleteFileA(path.c_str());
  return false;
}

bool IsJournalComplete(const std::string& path) {
  CFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  char text[sizeof kJournalMark] = {};
  DWORD read = 0;
  return file.IsValid() && ReadFile(file.Get(), text, sizeof text, &read, nullptr) &&
         read == sizeof kJournalMark - 1 && std::memcmp(text, kJournalMark, read) == 0;
}

void RecoverLevelDbSwap(const std::string& folder) {
  LevelDbSiblings names(folder);
  bool journal = PathExists(names.journal);
  if (!journal && !PathExists(names.fresh) && !PathExists(names.copy)) return;
  CUnstoppable unstoppable;
  if (journal && IsJournalComplete(names.journal)) {
    // F missing: the run was killed between the two renames (F went to old,
    // new did not yet come to F), and the fresh folder is complete. Had the
    // browser started in between, it would have made a new F.
    if (!PathExists(folder) && PathExists(names.fresh))
      MoveFileA(names.fresh.c_str(), folder.c_str());
    // Otherwise F is kept as it is. With old still there too, the browser
    // made F anew after the first rename and may have written to it since;
    // with old gone or never made, F is either the swapped-in fresh folder
    // or the original, which the browser may have used since the kill. The
    // entries to go then stay, for the next History to take out.
    if (!PathExists(folder) && PathExists(names.old)) MoveFileA(names.old.c_str(), folder.c_str());
    if (!PathExists(folder)) return;  // nothing renamed back: every folder stays for the next run
    WipeTree(names.old, true);
  }
  // Without a complete journal no rename was made: F is the original.
  bool gone = WipeTree(names.fresh, false);
  gone = WipeTree(names.copy, false) && gone;
  if (journal && gone && !PathExists(names.old)) DeleteFileA(names.journal.c_str());
}
