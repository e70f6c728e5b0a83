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
  LogReportLine(std::string(browser) + " is open: close it to erase its traces.");
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
