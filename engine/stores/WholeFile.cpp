#include "engine/stores/WholeFile.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/EraseCount.h"
#include "engine/Handles.h"
#include "engine/Primitives.h"
#include "engine/Stop.h"

void (*g_wholeFileStep)(WholeFileStep step, const std::string& path) = nullptr;
BOOL(WINAPI* g_replaceFile)(LPCSTR, LPCSTR, LPCSTR, DWORD, LPVOID, LPVOID) = ReplaceFileA;

bool IsPlainFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

bool ReadWholeFile(const std::string& path, std::string& contents) {
  CFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  LARGE_INTEGER size;
  // A bookmarks file of a gigabyte is not one a browser wrote.
  if (!file.IsValid() || !GetFileSizeEx(file.Get(), &size) || size.QuadPart > (1 << 30))
    return false;
  contents.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  return contents.empty() ||
         (ReadFile(file.Get(), &contents[0], static_cast<DWORD>(contents.size()), &read, nullptr) &&
          read == contents.size());
}

namespace {

// The journal's first line. A journal that is not exactly this line and the
// two fingerprints was cut short by a kill while it was written, before any
// rename.
constexpr char kJournalMark[] = "Tidewisp file swap: the new file is complete.\r\n";

struct SwapNames {
  explicit SwapNames(const std::string& file)
      : path(file),
        fresh(file + ".tidewisp-new"),
        old(file + ".tidewisp-old"),
        journal(file + ".tidewisp-swap") {}
  std::string path, fresh, old, journal;
};

struct Fingerprints {
  uint64_t old = 0, fresh = 0;
};

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Reached(WholeFileStep step, const std::string& path) {
  if (g_wholeFileStep) g_wholeFileStep(step, path);
}

// FNV-1a over every byte of a file that is no link: enough to tell apart the
// copies of one file (the old, the new, one the browser wrote since), which
// nobody chooses to collide.
bool Fingerprint(const std::string& path, uint64_t& hash) {
  CFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  BY_HANDLE_FILE_INFORMATION opened;
  if (!file.IsValid() || !GetFileInformationByHandle(file.Get(), &opened) ||
      (opened.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)))
    return false;
  hash = 14695981039346656037ull;
  std::vector<unsigned char> buffer(1 << 16);
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
      return false;
    if (read == 0) return true;
    for (DWORD i = 0; i < read; ++i) hash = (hash ^ buffer[i]) * 1099511628211ull;
  }
}

bool Matches(const std::string& path, uint64_t expected) {
  uint64_t hash = 0;
  return Fingerprint(path, hash) && hash == expected;
}

std::string Hex(uint64_t value) {
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, value >>= 4) text[i] = "0123456789abcdef"[value & 15];
  return text;
}

std::string JournalText(const Fingerprints& prints) {
  return kJournalMark + ("old " + Hex(prints.old) + " new " + Hex(prints.fresh) + "\r\n");
}

bool ReadJournal(const std::string& path, Fingerprints& prints) {
  std::string text;
  const size_t at = sizeof kJournalMark - 1;
  if (!ReadWholeFile(path, text) || text.size() != at + 43) return false;
  prints.old = std::strtoull(text.substr(at + 4, 16).c_str(), nullptr, 16);
  prints.fresh = std::strtoull(text.substr(at + 25, 16).c_str(), nullptr, 16);
  return JournalText(prints) == text;
}

// A new file (never over an existing one) holding `contents`, flushed to the
// disk. A file it leaves when it fails is the caller's to remove.
bool WriteNewFile(const std::string& path, const std::string& contents) {
  CFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return false;
  DWORD written = 0;
  return (contents.empty() || (WriteFile(file.Get(), contents.data(),
                                         static_cast<DWORD>(contents.size()), &written, nullptr) &&
                               written == contents.size())) &&
         FlushFileBuffers(file.Get());
}

// Zero-filled and deleted (WipeFile); true when it is gone. This program's
// own new file is not counted among what the run erased; the old one, the
// browser's file, is.
bool Wipe(const std::string& path, bool counted) {
  CEraseCount before = g_eraseCount;
  bool gone = WipeFile(path) != EraseResult::kLeft;
  if (!counted) {
    g_eraseCount.erased = before.erased;
    g_eraseCount.bytes = before.bytes;
  }
  return gone;
}

// With a complete journal, the old file at P and the whole new one beside
// it: the swap, then the wipe of what it swapped out. The journal goes last,
// once the old contents are gone: until then the next run tries again.
bool Swap(const SwapNames& names) {
  if (!g_replaceFile(names.path.c_str(), names.fresh.c_str(), names.old.c_str(),
                     REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    // ReplaceFileA can fail after it moved the old file to the backup name
    // (ERROR_UNABLE_TO_MOVE_REPLACEMENT_2): it goes back at once, before the
    // browser can start and find no file. If even that fails, the journal
    // has the next run finish the swap.
    if (!Exists(names.path)) MoveFileA(names.old.c_str(), names.path.c_str());
    if (Exists(names.path) && Wipe(names.fresh, false)) DeleteFileA(names.journal.c_str());
    return false;
  }
  Reached(WholeFileStep::kSwapped, names.path);
  bool gone = Wipe(names.old, true);
  Reached(WholeFileStep::kOldErased, names.path);
  if (gone) DeleteFileA(names.journal.c_str());
  return true;
}

}  // namespace

bool HasWholeFileSwap(const std::string& path) {
  SwapNames names(path);
  return Exists(names.fresh) || Exists(names.old) || Exists(names.journal);
}

void RecoverWholeFile(const std::string& path) {
  if (!HasWholeFileSwap(path)) return;
  SwapNames names(path);
  CUnstoppable unstoppable;
  Fingerprints prints;
  if (ReadJournal(names.journal, prints)) {
    bool freshWhole = Matches(names.fresh, prints.fresh);
    // No file: the run was killed between the two renames. The old file goes
    // back and is swapped again below, so that the new one takes its
    // attributes and security.
    if (!Exists(path) && Matches(names.old, prints.old)) MoveFileA(names.old.c_str(), path.c_str());
    if (freshWhole && Matches(path, prints.old)) {
      Swap(names);
      return;
    }
    if (freshWhole && !Exists(path)) MoveFileA(names.fresh.c_str(), path.c_str());
  } else if (!Exists(path) && Exists(names.old)) {
    // Without a complete journal no rename was made. An old copy and no file
    // is what a journal removed by hand leaves: it is the only copy.
    MoveFileA(names.old.c_str(), path.c_str());
  }
  // No whole copy could be put back: every copy stays for the next run.
  if (!IsPlainFile(path)) return;
  // The file is whole: the new contents swapped in, the original (no rename
  // was made, or the new copy is not whole), or one the browser wrote since
  // the kill, which may hold what the user did since. What lies beside it
  // goes.
  bool gone = Wipe(names.fresh, false);
  gone = Wipe(names.old, true) && gone;
  if (gone) DeleteFileA(names.journal.c_str());
}

bool ReplaceWholeFileWith(const std::string& path,
                          const std::function<bool(const std::string& fresh)>& write) {
  // A leftover is put right first, and never written over.
  if (HasWholeFileSwap(path)) return false;
  SwapNames names(path);
  bool written = write(names.fresh);
  if (written) Reached(WholeFileStep::kFreshWritten, path);
  // From here the swap, and the wipe of what it swaps out, are finished or
  // undone before the run may stop.
  CUnstoppable unstoppable;
  // The journal is flushed before the first rename, and says the new file is
  // complete only once it is: a power cut must not leave a journal naming a
  // new file whose bytes never reached the disk.
  Fingerprints prints;
  if (!written || !Fingerprint(path, prints.old) || !Fingerprint(names.fresh, prints.fresh) ||
      !WriteNewFile(names.journal, JournalText(prints))) {
    DeleteFileA(names.journal.c_str());
    Wipe(names.fresh, false);
    return false;
  }
  Reached(WholeFileStep::kJournalWritten, path);
  return Swap(names);
}

bool ReplaceWholeFile(const std::string& path, const std::string& contents) {
  return ReplaceWholeFileWith(
      path, [&](const std::string& fresh) { return WriteNewFile(fresh, contents); });
}
