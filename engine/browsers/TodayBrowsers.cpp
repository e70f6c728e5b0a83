#include "engine/browsers/TodayBrowsers.h"

#include <vector>

#include "engine/EraseNames.h"
#include "engine/Log.h"
#include "engine/Primitives.h"
#include "engine/Steps.h"

const BrowserBox kBrowserBoxes[5] = {{kIeCookies, "Cookies"},
                                     {kTypedUrls, "autocomplete sites"},
                                     {kIeCache, "Cache"},
                                     {kIeFavorites, "Favorites"},
                                     {kIeHistory, "History"}};

bool CBrowserLock::Take(const std::string& path) {
  // Full sharing: this handle never stands in the way of anything but a
  // browser that wants the file for itself, which is the point of holding it.
  m_file.Reset(CreateFileA(path.c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (m_file.IsValid()) return true;
  DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

void LogBrowserOpen(const char* browser) {
  LogLine(std::string(browser) + " is open: close it to erase its traces.");
}

void LogBrowserBox(const char* browser, const BrowserBox& box) {
  LogLine(std::string("Erasing ") + browser + " " + box.what + "...");
}

bool IsPlainFolder(const std::string& base, const std::string& relative) {
  std::string path = base;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find('\\', start);
    if (end == std::string::npos) end = relative.size();
    path = ChildPath(path, relative.substr(start, end - start).c_str());
    DWORD attributes = StartingFolderAttributes(path);
    if (!MayList(attributes) || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    start = end + 1;
  }
  return true;
}

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

void WipeReplaceLeftovers(const std::string& path) {
  for (const char* left : {kNew, kOld})
    if (IsPlainFile(path + left)) WipeFile(path + left);
}

bool ReplaceWholeFile(const std::string& path, const std::string& contents) {
  std::string fresh = path + kNew, backup = path + kOld;
  // Never over a file of that name: a leftover is wiped first, by the caller.
  CFileHandle file(CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return false;
  DWORD written = 0;
  bool saved =
      (contents.empty() || (WriteFile(file.Get(), contents.data(),
                                      static_cast<DWORD>(contents.size()), &written, nullptr) &&
                            written == contents.size())) &&
      FlushFileBuffers(file.Get());
  file.Reset();
  // Flushed before the swap: a crash after it must not leave a file whose
  // name is there but whose bytes never reached the disk.
  if (saved && ReplaceFileA(path.c_str(), fresh.c_str(), backup.c_str(),
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

bool OpenBrowserDb(CSqliteDb& db, const std::string& path) {
  return IsPlainFile(path) && db.Open(path) == 0;
}

void DeleteRows(CSqliteDb& db, std::initializer_list<RowFilter> filters) {
  std::vector<std::string> deletes;
  bool found = false;
  for (const RowFilter& filter : filters) {
    if (!db.HasColumns(filter.table, filter.columns)) continue;
    std::string from = std::string(" FROM main.\"") + filter.table + "\" WHERE " + filter.where;
    found = found || db.QueryInt(("SELECT 1" + from + " LIMIT 1").c_str(), 0) == 1;
    deletes.push_back("DELETE" + from);
  }
  if (!found) return;
  ChangeAndCompact(db, [&](CSqliteDb& d) {
    int result = 0;
    for (const std::string& sql : deletes)
      if (result == 0) result = d.Exec(sql.c_str());
    return result;
  });
}

void EraseTodaysBrowsers(CRunContext& run) {
  bool any = false;
  for (const BrowserBox& box : kBrowserBoxes) any = any || run.On(box.flag);
  if (!any) return;
  EraseChromiumBrowsers(run);
  EraseFirefox(run);
}
