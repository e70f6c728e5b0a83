// The SQLite owner class on a database of the test's own (an empty file is an
// empty database), in the two journal modes browsers use. Each defence holds
// alone: a committed deletion leaves no byte of the row in the file or its
// rollback journal before any Compact (secure_delete; the journal cut to zero
// bytes), and Compact leaves no free page and an empty write-ahead log, which
// keeps the row's old page until its checkpoint.
#include "engine/stores/SqliteDb.h"
#include "tests/support/Win32Test.h"

namespace {

class SqliteDb : public ScratchTest {};

const std::string kToken = "tw-deleted-row-token";
bool Holds(const std::string& path) { return ReadAll(path).find(kToken) != std::string::npos; }

TEST_F(SqliteDb, ADeletedRowLeavesNoByteBehind) {
  for (std::string mode : {"delete", "wal"}) {
    std::string file = Path(mode + ".db"), log = file + (mode == "wal" ? "-wal" : "-journal");
    MakeFile(mode + ".db");
    CSqliteDb db;
    ASSERT_EQ(db.Open(file), 0) << mode;
    ASSERT_EQ(db.QueryText(("PRAGMA journal_mode=" + mode).c_str()), mode);
    ASSERT_EQ(db.Exec("CREATE TABLE t(x)"), 0);
    // The long row's overflow pages are what the deletion frees.
    ASSERT_EQ(db.Exec("INSERT INTO t VALUES ('keep'), (?1), (printf('%.9000c', 'x'))", kToken), 0);
    ASSERT_EQ(db.Transaction([](CSqliteDb& d) { return d.Exec("DELETE FROM t WHERE x<>'keep'"); }),
              0);
    EXPECT_TRUE(mode == "wal" || !(Holds(file) || Holds(log))) << "before Compact";
    EXPECT_GT(db.QueryInt("PRAGMA freelist_count", -1), 0) << mode;

    EXPECT_EQ(db.Compact(), 0) << mode;
    EXPECT_EQ(db.QueryInt("PRAGMA freelist_count", -1), 0) << mode;
    EXPECT_FALSE(Holds(file) || Holds(log)) << mode;
    EXPECT_TRUE(mode != "wal" || ReadAll(log).empty()) << "the log is checkpointed and cut";
    EXPECT_EQ(db.QueryInt("SELECT count(*) FROM t", -1), 1) << mode;
  }
}

}  // namespace
