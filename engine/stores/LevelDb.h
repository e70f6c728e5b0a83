// One owner over a browser's LevelDB folder, built from third_party/leveldb.
//
// A browser's database is never opened in place: opening a LevelDB replays
// its log into a new table, writes a new MANIFEST, renames LOG and deletes
// the old log without wiping it. And deleting entries is not enough to erase
// them: after deletions and a full compaction, the MANIFEST still names keys
// (each table's smallest and largest, the compaction pointers) and old logs
// keep them. So the folder F is copied, read from the copy, and, when entries
// are to go (live ones, or dead records that F's files still hold), replaced
// by a fresh database holding only the entries that stay.
//
// Beside F (the private names a run uses, erased again before it ends):
//   F.tidewisp-copy  the copy that is read
//   F.tidewisp-new   the fresh database, swapped in for F
//   F.tidewisp-old   F itself, once swapped out, until it is erased
//   F.tidewisp-swap  the journal: "the fresh database is complete"
// The order, so that a run killed at any step leaves a state the next run
// can finish or undo (RecoverLevelDbSwap): copy -> write the fresh database
// and close it -> journal (flushed) -> F to old -> new to F -> erase old ->
// erase the copy -> delete the journal.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace leveldb {
class DB;
}
class CLevelDbEnv;

// The steps of Open and Rebuild, in their order. Tests stand in for a run
// killed right after one of them in the folder named, which nothing else can
// make happen at a chosen point: when g_levelDbStop returns true, the object
// stops there and leaves its folders as a killed run would. nullptr (the
// default): never.
enum class LevelDbStep {
  kCopied,
  kFreshWritten,
  kJournalWritten,
  kOriginalMoved,
  kFreshMoved,
  kOldErased,
  kCopyErased,
};
extern bool (*g_levelDbStop)(LevelDbStep step, const std::string& folder);

// A browser's LevelDB folder, rebuilt without the entries the caller names.
class CLevelDbRebuild {
 public:
  explicit CLevelDbRebuild(const std::string& folder);
  // Erases the private copy, and a fresh folder that was not swapped in.
  ~CLevelDbRebuild();
  CLevelDbRebuild(const CLevelDbRebuild&) = delete;
  CLevelDbRebuild& operator=(const CLevelDbRebuild&) = delete;

  // Finishes or undoes a swap a killed run left beside the folder, then checks
  // that no entry of the folder is a link, copies it into a private sibling
  // and opens the copy (paranoid_checks, verify_checksums, no info log).
  // False: missing, a link, not a layout we know (a file that is not
  // LevelDB's own), or the copy does not open cleanly (damage, a comparator
  // other than the bytewise one); the original is untouched. A folder that
  // is there and no link, but is not opened, is noted as left as it was
  // (NoteStoreLeft, engine/EraseCount.h), and so is one whose reading or
  // rebuilding fails below.
  bool Open();
  // Each entry of the copy, in key order. False when reading met damage.
  bool ForEach(const std::function<void(std::string_view key, std::string_view value)>& visit);
  // Rebuilds the folder when drop() is true for any record its files hold:
  // a live entry of the copy, or else any record, dead ones included, of the
  // original's logs, tables and MANIFEST (LevelDbRecords.h), which keep
  // overwritten values, deleted keys and table bounds readable.
  // Rebuilding writes the live entries for which drop() is false into a
  // fresh sibling folder (streaming, in bounded batches), copies the folder's
  // subfolders into it unchanged, swaps it in under a journal, then erases
  // the original and the copy through the primitives.
  // Returns how many live entries went, or 1 when only dead records named
  // something; 0 when nothing did, and the original is left exactly as it
  // is; -1 when it failed (a damaged record among the dead ones included:
  // not a layout we know) and the original is untouched (or the journal will
  // finish the swap at the next run).
  long long Rebuild(const std::function<bool(std::string_view key, std::string_view value)>& drop);

 private:
  using Drop = std::function<bool(std::string_view key, std::string_view value)>;
  bool StopAfter(LevelDbStep step);
  bool OpenCopy();
  long long RebuildFromCopy(const Drop& drop);
  bool WriteFresh(const Drop& drop, long long& dropped);

  std::string m_folder;
  std::vector<std::string> m_files;        // the original's data files, as Open listed them
  std::unique_ptr<CLevelDbEnv> m_copyEnv;  // the copy's: outlives m_copy
  std::unique_ptr<leveldb::DB> m_copy;     // open on the private copy
  bool m_ownsCopy = false;                 // made here: erased at the end
  bool m_ownsFresh = false;  // made here and not (to be) swapped in: erased at the end
};

// A swap a killed run left beside `folder`: finished or undone, and the
// private folders erased. Called by Open, and by the run once per profile
// before any box.
void RecoverLevelDbSwap(const std::string& folder);
