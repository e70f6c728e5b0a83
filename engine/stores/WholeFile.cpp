#include "engine/stores/WholeFile.h"

#include "engine/Handles.h"
#include "engine/Primitives.h"
#include "engine/Stop.h"

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

const char kNew[] = ".tidewisp-new", kOld[] = ".tidewisp-old";

}  // namespace

void RecoverWholeFile(const std::string& path) {
  for (const char* left : {kNew, kOld})
    if (IsPlainFile(path + left)) WipeFile(path + left);
}

bool ReplaceWholeFileWith(const std::string& path,
                          const std::function<bool(const std::string& fresh)>& write) {
  CUnstoppable swap;  // a stopping run still wipes the swapped-out file whole
  std::string fresh = path + kNew, backup = path + kOld;
  // Flushed before the swap: a crash after it must not leave a file whose
  // name is there but whose bytes never reached the disk.
  if (write(fresh) && ReplaceFileA(path.c_str(), fresh.c_str(), backup.c_str(),
                                   REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    WipeFile(backup);
    return true;
  }
  // ReplaceFileA can fail after it moved the old file to the backup name
  // (ERROR_UNABLE_TO_MOVE_REPLACEMENT_2): it goes back first.
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
    MoveFileA(backup.c_str(), path.c_str());
  DeleteFileA(fresh.c_str());
  return false;
}

bool ReplaceWholeFile(const std::string& path, const std::string& contents) {
  return ReplaceWholeFileWith(path, [&](const std::string& fresh) {
    // Never over a file of that name: a leftover is put right first.
    CFileHandle file(CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return false;
    DWORD written = 0;
    return (contents.empty() ||
            (WriteFile(file.Get(), contents.data(), static_cast<DWORD>(contents.size()), &written,
                       nullptr) &&
             written == contents.size())) &&
           FlushFileBuffers(file.Get());
  });
}
