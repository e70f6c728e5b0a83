#include "engine/stores/SqliteDb.h"

#include "platform/win32.h"
#include "third_party/sqlite/sqlite3.h"

static_assert(SQLITE_OK == 0, "CSqliteDb::Transaction compares with 0");

namespace {

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

CSqliteStatement::~CSqliteStatement() { sqlite3_finalize(m_statement); }

int CSqliteStatement::Prepare(sqlite3* db, const char* sql) {
  sqlite3_finalize(m_statement);
  m_statement = nullptr;
  return sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr);
}

int CSqliteStatement::Bind(int index, const std::string& text) {
  return sqlite3_bind_text64(m_statement, index, text.data(), text.size(), SQLITE_TRANSIENT,
                             SQLITE_UTF8);
}

int CSqliteStatement::Step() { return sqlite3_step(m_statement); }

long long CSqliteStatement::Int(int column) const {
  return sqlite3_column_int64(m_statement, column);
}

std::string CSqliteStatement::Text(int column) const {
  const unsigned char* text = sqlite3_column_text(m_statement, column);
  return text ? std::string(reinterpret_cast<const char*>(text),
                            static_cast<size_t>(sqlite3_column_bytes(m_statement, column)))
              : std::string();
}

CSqliteDb::~CSqliteDb() { Close(); }

void CSqliteDb::Close() {
  if (!m_db) return;
  DWORD saved = GetLastError();
  sqlite3_close_v2(m_db);  // statements are owned, and finalized, by their owners
  SetLastError(saved);
  m_db = nullptr;
}

int CSqliteDb::Open(const std::string& path) {
  Close();
  int result = sqlite3_initialize();
  if (result != SQLITE_OK) return result;
  // Whether the browser left its log or journal file is looked at before the
  // first read, which may create one.
  bool hadWal = FileExists(path + "-wal"), hadJournal = FileExists(path + "-journal");
  result = sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
  if (result == SQLITE_OK) {
    sqlite3_busy_timeout(m_db, 0);
    // Exclusive locking before the first read: SQLite then keeps a WAL
    // database's index in memory and makes no -shm file, and no browser can
    // start on the file while this connection holds it. Set once, it holds
    // for every database attached later too.
    result =
        Exec("PRAGMA locking_mode=EXCLUSIVE; PRAGMA secure_delete=ON; PRAGMA journal_size_limit=0");
  }
  if (result == SQLITE_OK) result = Prepare("main", hadWal, hadJournal);
  if (result != SQLITE_OK) Close();  // a handle comes back even when the open fails
  return result;
}

int CSqliteDb::Attach(const std::string& path, const char* schema) {
  // ATTACH opens with the connection's own flags: never creating the file.
  bool hadWal = FileExists(path + "-wal"), hadJournal = FileExists(path + "-journal");
  int result = Exec((std::string("ATTACH DATABASE ?1 AS ") + schema).c_str(), path);
  if (result != SQLITE_OK) return result;
  result = Prepare(schema, hadWal, hadJournal);
  if (result != SQLITE_OK) Exec((std::string("DETACH DATABASE ") + schema).c_str());
  return result;
}

int CSqliteDb::Prepare(const char* schema, bool hadWal, bool hadJournal) {
  // A log that existed is kept, truncated to zero bytes when the connection
  // closes (journal_size_limit=0); one that did not is deleted again. Both
  // must be set before the first read of the file.
  int persistWal = hadWal ? 1 : 0;
  sqlite3_file_control(m_db, schema, SQLITE_FCNTL_PERSIST_WAL, &persistWal);
  std::string prefix = std::string(schema) + ".";
  // Reading the schema is the first read: a file that is not a database
  // fails here (SQLITE_NOTADB), before anything was written to it.
  int result = Exec(("SELECT count(*) FROM " + prefix + "sqlite_master").c_str());
  // A rollback journal the browser keeps (Chromium leaves it at zero bytes)
  // is truncated after each transaction instead of deleted.
  if (result == SQLITE_OK && hadJournal &&
      QueryText(("PRAGMA " + prefix + "journal_mode").c_str()) == "delete")
    result = Exec(("PRAGMA " + prefix + "journal_mode=TRUNCATE").c_str());
  return result;
}

int CSqliteDb::Exec(const char* sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr); }

int CSqliteDb::Exec(const char* sql, const std::string& param) {
  CSqliteStatement statement;
  int result = statement.Prepare(m_db, sql);
  if (result == SQLITE_OK) result = statement.Bind(1, param);
  if (result == SQLITE_OK) result = statement.Step();
  return result == SQLITE_DONE || result == SQLITE_ROW ? SQLITE_OK : result;
}

int CSqliteDb::AddTextTest(const char* name, bool (*test)(std::string_view)) {
  auto call = [](sqlite3_context* context, int, sqlite3_value** args) {
    auto tested = reinterpret_cast<bool (*)(std::string_view)>(sqlite3_user_data(context));
    const unsigned char* text =
        sqlite3_value_type(args[0]) == SQLITE_TEXT ? sqlite3_value_text(args[0]) : nullptr;
    size_t size = text ? static_cast<size_t>(sqlite3_value_bytes(args[0])) : 0;
    sqlite3_result_int(context,
                       text && tested({reinterpret_cast<const char*>(text), size}) ? 1 : 0);
  };
  return sqlite3_create_function_v2(m_db, name, 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                    reinterpret_cast<void*>(test), call, nullptr, nullptr, nullptr);
}

bool CSqliteDb::HasColumns(const char* table, std::initializer_list<const char*> columns,
                           const char* schema) {
  CSqliteStatement statement;
  if (statement.Prepare(m_db,
                        "SELECT 1 FROM pragma_table_list WHERE name=?1 AND schema=?2 AND "
                        "type='table'") != SQLITE_OK ||
      statement.Bind(1, table) != SQLITE_OK || statement.Bind(2, schema) != SQLITE_OK ||
      statement.Step() != SQLITE_ROW)
    return false;
  for (const char* column : columns) {
    if (statement.Prepare(m_db, "SELECT 1 FROM pragma_table_info(?1, ?2) WHERE name=?3") !=
            SQLITE_OK ||
        statement.Bind(1, table) != SQLITE_OK || statement.Bind(2, schema) != SQLITE_OK ||
        statement.Bind(3, column) != SQLITE_OK || statement.Step() != SQLITE_ROW)
      return false;
  }
  return true;
}

long long CSqliteDb::QueryInt(const char* sql, long long fallback) {
  CSqliteStatement statement;
  if (statement.Prepare(m_db, sql) != SQLITE_OK || statement.Step() != SQLITE_ROW) return fallback;
  return statement.Int(0);
}

std::string CSqliteDb::QueryText(const char* sql) {
  CSqliteStatement statement;
  if (statement.Prepare(m_db, sql) != SQLITE_OK || statement.Step() != SQLITE_ROW) return "";
  return statement.Text(0);
}

int CSqliteDb::Compact(const char* schema) {
  std::string name = schema;
  int result = Exec(("VACUUM " + name).c_str());
  if (result == SQLITE_OK && QueryText(("PRAGMA " + name + ".journal_mode").c_str()) == "wal")
    result = Exec(("PRAGMA " + name + ".wal_checkpoint(TRUNCATE)").c_str());
  return result;
}
