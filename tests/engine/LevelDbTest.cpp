// The LevelDB owner on databases the vendored LevelDB writes: real files, real
// renames. A rebuild is stopped after each step, as a killed run would stop,
// and the next run's recovery must leave either every entry or only the kept
// ones, and none of the private folders. A damaged table, a file LevelDB
// never makes and a link each leave the folder byte for byte.
#include <map>
#include <memory>

#include "engine/browsers/LevelDb.h"
#include "leveldb/db.h"
#include "tests/support/TableBlocks.h"
#include "tests/support/Win32Test.h"

namespace {

using Files = std::map<std::string, std::string>;
Files Snapshot(const std::string& folder, Files files = {}) {  // links not entered
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &entry)) {
    std::string name = entry.cFileName, path = folder + "\\" + name;
    if (name == "." || name == ".." || (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      files = Snapshot(path, files);
    else
      files[path] = ReadAll(path);
  }
  FindClose(find);
  return files;
}

std::unique_ptr<leveldb::DB> OpenDb(const std::string& folder) {
  leveldb::Options options;
  options.create_if_missing = true;
  leveldb::DB* db = nullptr;
  EXPECT_TRUE(leveldb::DB::Open(options, folder, &db).ok()) << folder;
  return std::unique_ptr<leveldb::DB>(db);
}
Files Entries(const std::string& folder) {
  Files entries;
  std::unique_ptr<leveldb::DB> db = OpenDb(folder);
  std::unique_ptr<leveldb::Iterator> it(db->NewIterator({}));
  for (it->SeekToFirst(); it->Valid(); it->Next())
    entries[it->key().ToString()] = it->value().ToString();
  return entries;
}
bool Drop(std::string_view key, std::string_view) { return key.substr(0, 12) == "21_download,"; }

class LevelDb;
struct Row {
  const char* name;
  int stop;           // the step a killed run stops after; -1: none
  const char* after;  // "all" (byte for byte), "kept" or "browser's" (empty)
  long long result = -1;
  void (*spoil)(LevelDb& test, const std::string& db) = nullptr;
};
void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }
int g_stop = -1;

class LevelDb : public ScratchTest, public ::testing::WithParamInterface<Row> {};

// 300 entries, every tenth a download: the first 250 in a table, the rest in
// the log; and a nested database's stand-in, which must survive.
TEST_P(LevelDb, ASwapStoppedAtAnyStepIsFinishedOrUndoneByTheNextRun) {
  const Row& row = GetParam();
  std::string db = Path("db");
  Files kept;
  {
    std::unique_ptr<leveldb::DB> writer = OpenDb(db);
    for (int i = 0; i < 300; ++i) {
      std::string key = (i % 10 ? "k" : "21_download,") + std::to_string(1000 + i);
      ASSERT_TRUE(writer->Put({}, key, key + std::string(100, 'v')).ok());
      if (i % 10) kept[key] = key + std::string(100, 'v');
      if (i == 250) writer->CompactRange(nullptr, nullptr);
    }
  }
  MakeFile("db\\metadata\\CURRENT", "nested");
  if (row.spoil) row.spoil(*this, db);
  Files before = Snapshot(db);
  g_stop = row.stop;
  g_levelDbStop = [](LevelDbStep step) { return static_cast<int>(step) == g_stop; };
  long long result;
  {
    CLevelDbRebuild rebuild(db);
    result = rebuild.Open() ? rebuild.Rebuild(Drop) : -1;
  }
  g_levelDbStop = nullptr;
  const std::string after = row.after;
  if (after == "browser's") OpenDb(db);  // F was missing: made anew, empty
  RecoverLevelDbSwap(db);

  EXPECT_EQ(result, row.result);
  for (const char* name : {"copy", "new", "old", "swap"})
    EXPECT_FALSE(Has(std::string("db.tidewisp-") + name)) << name << " left";
  if (after == "all") {
    EXPECT_TRUE(Snapshot(db) == before) << "db changed";
  } else {
    EXPECT_EQ(ReadAll(Path("db\\metadata\\CURRENT")), after == "kept" ? "nested" : "<missing>");
    EXPECT_EQ(Entries(db).size(), after == "kept" ? kept.size() : 0);
    EXPECT_TRUE(after != "kept" || Entries(db) == kept);
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, LevelDb, ::testing::Values(
    Row{"done", -1, "kept", 30},
    Row{"copied", 0, "all"}, Row{"freshWritten", 1, "all"}, Row{"journalWritten", 2, "all"},
    Row{"originalMoved", 3, "kept"}, Row{"freshMoved", 4, "kept"}, Row{"oldErased", 5, "kept"},
    Row{"copyErased", 6, "kept"},
    Row{"browserStarted", 3, "browser's"},
    Row{"damagedTable", -1, "all", -1, [](LevelDb&, const std::string& db) {
          Files files = Snapshot(db);
          for (auto& [path, bytes] : files) {
            if (path.substr(path.size() - 4) != ".ldb") continue;
            bytes[100] ^= 1;
            ASSERT_TRUE(WriteAll(path, bytes));
          }
        }},
    Row{"unknownFile", -1, "all", -1, [](LevelDb& test, const std::string&) {
          test.MakeFile("db\\notes.txt");
        }},
    Row{"link", -1, "all", -1, [](LevelDb& test, const std::string&) {
          ASSERT_NE(test.MakeLinkOut("db\\linked", {{"x", "outside"}}), "");
        }}));
// clang-format on

// A value whose second half repeats its first: Snappy writes the repeat as a
// copy, and the whole token is in no byte of the table.
TEST_F(LevelDb, SearchableBytesFindATokenSnappyHides) {
  const std::string token = "twl-hidden-token-7431";
  {
    std::unique_ptr<leveldb::DB> db = OpenDb(Path("db"));
    ASSERT_TRUE(db->Put({}, "key", "twl-hidden-twl-hidden-twl-hidden-token-7431").ok());
    db->CompactRange(nullptr, nullptr);
  }
  Files files = Snapshot(Path("db"));
  std::string table;
  for (const auto& [path, bytes] : files)
    if (path.substr(path.size() - 4) == ".ldb") table = path;
  ASSERT_NE(table, "");
  EXPECT_EQ(ReadAll(table).find(token), std::string::npos) << "a plain search would find it";
  EXPECT_NE(SearchableBytes(table).find(token), std::string::npos);
}

}  // namespace
