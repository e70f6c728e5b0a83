// What the steps for today's browsers (the Chromium family and Firefox) share:
// the boxes, the lock check, the progress lines and careful paths. Each
// family's steps live in their own file.
#pragma once

#include <initializer_list>
#include <string>

#include "engine/Handles.h"
#include "engine/RunContext.h"
#include "engine/stores/SqliteDb.h"
#include "engine/stores/WholeFile.h"

// The five browser boxes, in the order each browser logs its lines (the order
// of the Internet Explorer steps).
struct BrowserBox {
  TargetFlag flag;
  const char* what;  // "Erasing <browser> <what>..."
};
extern const BrowserBox kBrowserBoxes[5];

// A browser's lock file, held open by this run while it cleans the profile so
// that the browser cannot start on it midway.
class CBrowserLock {
 public:
  // False when the file exists and cannot be opened for writing: the browser
  // holds it (Chromium and Firefox share it without write access). True when
  // it is missing or now held here.
  bool Take(const std::string& path);

 private:
  CFileHandle m_file;
};

// "<browser> is open: close it to erase its traces."
void LogBrowserOpen(const char* browser);
void LogBrowserBox(const char* browser, const BrowserBox& box);

// base\relative exists and is a folder, and neither it nor any folder between
// it and `base` is a link. `relative` uses backslashes.
bool IsPlainFolder(const std::string& base, const std::string& relative);
// Opens a database of the browser's: false when it is missing, a link, not
// an SQLite database or held by another program.
bool OpenBrowserDb(CSqliteDb& db, const std::string& path);
// One transaction of changes; once it has committed, the file is compacted.
template <typename Body>
void ChangeAndCompact(CSqliteDb& db, Body body, const char* schema = "main") {
  if (db.Transaction(body) == 0 /* SQLITE_OK */) db.Compact(schema);
}

// Rows to delete from one table: those `where` names (SQL over the columns
// listed, which the table must have for the filter to apply).
struct RowFilter {
  const char* table;
  std::initializer_list<const char*> columns;
  const char* where;
};
// Every filter's rows, in one transaction compacted after it. A database in
// which no filter finds a row is not written at all.
void DeleteRows(CSqliteDb& db, std::initializer_list<RowFilter> filters);

// One family each, every browser of it that is found.
void EraseChromiumBrowsers(CRunContext& run);
void EraseFirefox(CRunContext& run);
