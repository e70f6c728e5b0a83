// The LevelDB owner on databases the vendored LevelDB writes, stopped after
// each step as a killed run would stop, then recovered; and on folders it
// must leave byte for byte.
#include <memory>

#include "engine/stores/LevelDb.h"
#include "leveldb/db.h"
#include "tests/support/BrowserData.h"
#include "tests/support/TableBlocks.h"
#include "tests/support/Win32Test.h"

namespace {

Files Snapshot(const std::string& folder) {  // its files at any depth, by path
  Files files;
  Tree(folder, "", &files);
  return files;
}
std::unique_ptr<leveldb::DB> OpenDb(const std::string& folder, Files* entries = nullptr) {
  leveldb::Options options;
  options.create_if_missing = true;
  leveldb::DB* db = nullptr;
  EXPECT_TRUE(leveldb::DB::Open(options, folder, &db).ok()) << folder;
  std::unique_ptr<leveldb::Iterator> it(db->NewIterator({}));
  for (it->SeekToFirst(); entries && it->Valid(); it->Next())
    (*entries)[it->key().ToString()] = it->value().ToString();
  return std::unique_ptr<leveldb::DB>(db);
}

struct Row {
  const char* name;
  int stop;           // the step a killed run stops after; -1: none
  std::string after;  // "all" (byte for byte), "kept" or "browser's" (empty)
  long long result = -1;
  void (*spoil)(ScratchTest& test) = nullptr;
  std::string token = "21_download,";  // entries holding it go, and it must be in no byte after
};
void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }
int g_stop;

class LevelDb : public ScratchTest, public ::testing::WithParamInterface<Row> {};

// Writes the memory table out, where LevelDB places a new table (level 2 when
// nothing overlaps it, level 0 when level 1 does), then compacts what overlaps
// [from, to] down to the deepest level that does.
void Flush(leveldb::DB& db, const char* from, const char* to) {
  leveldb::Slice begin(from), end(to);
  db.CompactRange(&begin, &end);
}

// A bit of each table flipped, `at` bytes from its start, or (0) in its middle.
void Damage(ScratchTest& test, size_t at) {
  for (auto& [path, bytes] : Snapshot(test.Path("db")))
    if (path.find(".ldb") != std::string::npos)
      WriteAll(path, bytes.replace(at ? at : bytes.size() / 2, 1, 1,
                                   bytes[at ? at : bytes.size() / 2] ^ 1));
}

void Overwrite(ScratchTest& test, const char* old) {  // k1001 holds `old`, then its value again
  std::unique_ptr<leveldb::DB> db = OpenDb(test.Path("db"));
  db->Put({}, "k1001", old);
  db->Put({}, "k1001", "k1001" + std::string(100, 'v'));
}

// 300 entries, every tenth a download, the first 250 in a table and the rest
// in the log, and a nested folder.
TEST_P(LevelDb, ASwapStoppedAtAnyStepIsFinishedOrUndoneByTheNextRun) {
  const Row& row = GetParam();
  std::string db = Path("db");
  Files kept, entries;
  {
    std::unique_ptr<leveldb::DB> writer = OpenDb(db);
    for (int i = 0; i < 300; ++i) {
      std::string key = (i % 10 ? "k" : "21_download,") + std::to_string(1000 + i);
      ASSERT_TRUE(writer->Put({}, key, key + std::string(100, 'v')).ok());
      if (key.find(row.token) == std::string::npos) kept[key] = key + std::string(100, 'v');
      if (i == 250) writer->CompactRange(nullptr, nullptr);
    }
  }
  MakeFile("db\\metadata\\CURRENT", "nested");
  if (row.spoil) row.spoil(*this);
  Files before = Snapshot(db);
  g_stop = row.stop;
  g_levelDbStop = [](LevelDbStep step, const std::string&) { return int(step) == g_stop; };
  auto named = [&](std::string_view key, std::string_view value) {
    return key.find(row.token) != key.npos || value.find(row.token) != value.npos;
  };
  long long result = [&] {  // the owner gone before the next run's recovery
    CLevelDbRebuild rebuild(db);
    return rebuild.Open() ? rebuild.Rebuild(named) : -1;
  }();
  g_levelDbStop = nullptr;
  if (row.after == "browser's") OpenDb(db);  // it found no folder and made one
  RecoverLevelDbSwap(db);

  EXPECT_EQ(result, row.result);
  for (const char* name : {"copy", "new", "old", "swap"})
    EXPECT_FALSE(Has(std::string("db.tidewisp-") + name)) << name << " left";
  EXPECT_EQ(ReadAll(db + "\\metadata\\CURRENT"), row.after == "browser's" ? "<missing>" : "nested");
  if (row.after == "all") {
    EXPECT_TRUE(Snapshot(db) == before) << "changed";
    return;
  }
  for (const auto& file : Snapshot(db))
    EXPECT_EQ(SearchableBytes(file.first).find(row.token), std::string::npos) << file.first;
  OpenDb(db, &entries);
  EXPECT_TRUE(entries == (row.after == "kept" ? kept : Files())) << entries.size() << " entries";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, LevelDb, ::testing::Values(
    Row{"done", -1, "kept", 30},
    Row{"copied", 0, "all"}, Row{"freshWritten", 1, "all"}, Row{"journalWritten", 2, "all"},
    Row{"originalMoved", 3, "kept"}, Row{"freshMoved", 4, "kept"}, Row{"oldErased", 5, "kept"},
    Row{"copyErased", 6, "kept"}, Row{"browserStarted", 3, "browser's"},
    Row{"damagedTable", -1, "all", -1, [](ScratchTest& test) { Damage(test, 100); }},
    // Damage after the first entry that goes: the fresh database would end
    // early, or skip a block, and be swapped in all the same.
    Row{"damagedLaterBlock", -1, "all", -1, [](ScratchTest& test) { Damage(test, 0); }},
    Row{"unknownFile", -1, "all", -1, [](ScratchTest& test) { test.MakeFile("db\\notes.txt"); }},
    Row{"link", -1, "all", -1, [](ScratchTest& test) {
          ASSERT_NE(test.MakeLinkOut("db\\linked", {{"x", "outside"}}), "");
        }},
    // Nothing named, live or dead; then records naming something only dead:
    // in the log (a put, then its deletion), an overwritten value in the log
    // and in a table, keys only the MANIFEST keeps once compacted away.
    Row{"nothingNamed", -1, "all", 0, nullptr, "twl-absent"},
    Row{"deadInLog", -1, "kept", 1, [](ScratchTest& test) {
          std::unique_ptr<leveldb::DB> db = OpenDb(test.Path("db"));
          db->Put({}, "twl-late", "x");
          db->Delete({}, "twl-late");
        }, "twl-late"},
    Row{"overwritten", -1, "kept", 1, [](ScratchTest& test) { Overwrite(test, "twl-old"); },
        "twl-old"},
    Row{"overwrittenInTable", -1, "kept", 1, [](ScratchTest& test) {
          Overwrite(test, "twl-tabled");
          OpenDb(test.Path("db"));  // which writes the log out as a table
        }, "twl-tabled"},
    Row{"deadInManifest", -1, "kept", 1, [](ScratchTest& test) {
          std::unique_ptr<leveldb::DB> db = OpenDb(test.Path("db"));
          for (int i = 1000; i < 1300; i += 10) db->Delete({}, "21_download," + std::to_string(i));
          db->CompactRange(nullptr, nullptr);
        }},
    // A deletion marker alone in a table: compacted into level 1 with the put
    // it deletes, the put goes and the marker stays, as a level-2 table spans
    // its key. Fillers place the tables, keep the key off every table's bounds
    // and the compaction pointer (the largest key of level 0's part), and are
    // deleted again.
    Row{"deadMarkerInTable", -1, "kept", 1, [](ScratchTest& test) {
          std::unique_ptr<leveldb::DB> db = OpenDb(test.Path("db"));
          const char* const fillers[] = {"m-e", "m-z", "m-c", "m-x", "m-d", "m-y"};
          for (const char* key : {fillers[0], fillers[1]}) db->Put({}, key, "x");
          Flush(*db, "m-a", "m-b");  // level 2
          for (const char* key : {fillers[2], "m-twl-marker", fillers[3]}) db->Put({}, key, "x");
          Flush(*db, "m-a", "m-b");  // level 1, over the level-2 table
          db->Delete({}, "m-twl-marker");
          for (const char* key : {fillers[4], fillers[5]}) db->Put({}, key, "x");
          Flush(*db, "m-a", "m-d");  // level 0, compacted into level 1
          db.reset(), db = OpenDb(test.Path("db"));  // a new MANIFEST, without the tables' bounds
          for (const char* key : fillers) db->Delete({}, key);
          db.reset();
          size_t holding = 0;
          for (const auto& file : Snapshot(test.Path("db")))  // LevelDB's own LOG aside
            if (file.first.find("\\LOG") == std::string::npos && SearchableBytes(file.first)
                                                           .find("twl-marker") != std::string::npos)
              holding += file.first.find(".ldb") != std::string::npos ? 1 : 100;
          ASSERT_EQ(holding, 1u) << "the marker's table alone holds it";
        }, "twl-marker"},
    // Snappy writes the repeat as a copy of earlier bytes: no byte of the
    // table holds the whole token, which the search must find all the same.
    Row{"snappyHidden", -1, "kept", 1, [](ScratchTest& test) {
          OpenDb(test.Path("db"))->Put({}, "key", "twl-hidden-twl-hidden-twl-hidden-token-7431");
          OpenDb(test.Path("db"));  // which replays the log into a table
          size_t hidden = 0;
          for (const auto& [path, bytes] : Snapshot(test.Path("db")))
            hidden += SearchableBytes(path).find("twl-hidden-token-7431") != std::string::npos &&
                      bytes.find("twl-hidden-token-7431") == std::string::npos;
          ASSERT_EQ(hidden, 1u) << "a table hides it from a plain search";
        }, "twl-hidden-token-7431"}));
// clang-format on

}  // namespace
