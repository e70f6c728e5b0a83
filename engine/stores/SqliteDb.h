// One owner for an SQLite connection and one for a prepared statement, over
// the amalgamation in third_party/sqlite. Results are SQLite's own codes
// (SQLITE_OK, SQLITE_ROW, SQLITE_DONE...) or bool; nothing is thrown.
//
// A browser's database is someone else's file: it is opened for reading and
// writing only (never created), changed in one transaction at a time, and
// left byte for byte as it was whenever a check or a statement fails.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

class CSqliteStatement {
 public:
  CSqliteStatement() = default;
  ~CSqliteStatement();
  CSqliteStatement(const CSqliteStatement&) = delete;
  CSqliteStatement& operator=(const CSqliteStatement&) = delete;

  int Prepare(sqlite3* db, const char* sql);
  // Text parameters, numbered from 1; SQLite keeps its own copy.
  int Bind(int index, const std::string& text);
  int Step();  // SQLITE_ROW, SQLITE_DONE or an error
  long long Int(int column) const;
  std::string Text(int column) const;

 private:
  sqlite3_stmt* m_statement = nullptr;
};

class CSqliteDb {
 public:
  CSqliteDb() = default;
  ~CSqliteDb();
  CSqliteDb(const CSqliteDb&) = delete;
  CSqliteDb& operator=(const CSqliteDb&) = delete;

  // Opens an existing database for reading and writing and reads its schema:
  // SQLITE_OK only for a real SQLite database that nothing else holds (the
  // busy timeout is 0: a database in use is left, not waited for). Secure
  // deletion is switched on and the connection locks the file exclusively, so
  // that no wal-index (-shm) file is made. A -wal or -journal file that was
  // there before stays there afterwards, emptied; one that was not is not.
  int Open(const std::string& path);
  // Attaches another existing database under `schema` with the same care.
  int Attach(const std::string& path, const char* schema);
  sqlite3* Get() const { return m_db; }

  // Runs statements that return no rows; `param`, if given, is bound to ?1.
  int Exec(const char* sql);
  int Exec(const char* sql, const std::string& param);

  // Makes name(x) callable from SQL: 1 when x is text for which test() is
  // true, 0 otherwise (NULL and numbers included).
  int AddTextTest(const char* name, bool (*test)(std::string_view));

  // The table exists in `schema` and has every listed column.
  bool HasColumns(const char* table, std::initializer_list<const char*> columns,
                  const char* schema = "main");
  bool HasTable(const char* table, const char* schema = "main") {
    return HasColumns(table, {}, schema);
  }
  // The first column of the first row of `sql`, or `fallback` when no row
  // comes back or the statement fails.
  long long QueryInt(const char* sql, long long fallback);
  std::string QueryText(const char* sql);  // "" when no row comes back

  // Runs body(*this) inside BEGIN IMMEDIATE ... COMMIT; any result other
  // than SQLITE_OK (from the body or the commit) rolls everything back.
  template <typename Body>
  int Transaction(Body body) {
    int result = Exec("BEGIN IMMEDIATE");
    if (result != SQLITE_OK_CODE) return result;
    result = body(*this);
    if (result == SQLITE_OK_CODE) result = Exec("COMMIT");
    if (result != SQLITE_OK_CODE) Exec("ROLLBACK");
    return result;
  }

  // After a committed change: VACUUM rebuilds the file without its free
  // pages, and a write-ahead log is checkpointed and truncated to zero bytes,
  // so that no old page survives in either file.
  int Compact(const char* schema = "main");

 private:
  static constexpr int SQLITE_OK_CODE = 0;
  void Close();
  // What Open and Attach share once the file is open as `schema`.
  int Prepare(const char* schema, bool hadWal, bool hadJournal);
  sqlite3* m_db = nullptr;
};
