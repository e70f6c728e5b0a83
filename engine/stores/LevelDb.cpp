#include "engine/stores/LevelDb.h"

#include <cstring>
#include <vector>

#include "engine/EraseCount.h"
#include "engine/EraseNames.h"
#include "engine/Handles.h"
#include "engine/Stop.h"
#include "engine/stores/LevelDbEnv.h"
#include "engine/stores/LevelDbFolders.h"
#include "engine/stores/LevelDbRecords.h"
#include "leveldb/db.h"
#include "leveldb/env.h"
#include "leveldb/write_batch.h"

bool (*g_levelDbStop)(LevelDbStep step, const std::string& folder) = nullptr;

namespace {

// The fresh database is written in batches of about this size: memory stays
// one batch and LevelDB's write buffer (4 MB) whatever the size of the
// database.
constexpr size_t kBatchBytes = 1 << 20;

// Without an info log of its own, LevelDB writes one (LOG) into the folder it
// opens, fresh folder included, where its lines would outlive the run.
class CNoInfoLog : public leveldb::Logger {
 public:
  void Logv(const char*, va_list) override {}
};
CNoInfoLog g_noInfoLog;

leveldb::Options Options(CLevelDbEnv* env, bool create) {
  leveldb::Options options;
  options.env = env;
  options.paranoid_checks = true;
  options.info_log = &g_noInfoLog;
  options.create_if_missing = create;
  options.error_if_exists = create;
  return options;
}

// Every block read is checked against its checksum; none stays cached.
leveldb::ReadOptions Checked() {
  leveldb::ReadOptions options;
  options.verify_checksums = true;
  options.fill_cache = false;
  return options;
}

std::string_view View(const leveldb::Slice& slice) { return {slice.data(), slice.size()}; }

// What LevelDB names its files (db/filename.cc): a run of digits, then one of
// the endings given.
bool IsNumbered(const char* name, const char* const* endings, size_t count) {
  size_t digits = std::strspn(name, "0123456789");
  for (size_t i = 0; digits > 0 && i < count; ++i)
    if (std::strcmp(name + digits, endings[i]) == 0) return true;
  return false;
}

// A file of the folder: one the copy needs (kData), one of LevelDB's own that
// it does not (its lock, info logs, a temporary file a crash left), or a file
// LevelDB never makes, which means the folder is not a layout we know.
enum class FileKind { kData, kOwn, kUnknown };
FileKind KindOf(const char* name) {
  static const char* const kData[] = {".log", ".ldb", ".sst"};
  static const char* const kTemporary[] = {".dbtmp"};
  static const char* const kNone[] = {""};
  if (std::strcmp(name, "CURRENT") == 0 || IsNumbered(name, kData, 3) ||
      (std::strncmp(name, "MANIFEST-", 9) == 0 && IsNumbered(name + 9, kNone, 1)))
    return FileKind::kData;
  if (std::strcmp(name, "LOCK") == 0 || std::strcmp(name, "LOG") == 0 ||
      std::strcmp(name, "LOG.old") == 0 || IsNumbered(name, kTemporary, 1))
    return FileKind::kOwn;
  return FileKind::kUnknown;
}

// The data files of a folder whose every entry is one of LevelDB's own files
// or a folder, none of them a link. False otherwise.
bool ListDataFiles(const std::string& folder, std::vector<std::string>& files) {
  WIN32_FIND_DATAA record;
  CFindHandle find(FindFirstFileA((folder + "\\*.*").c_str(), &record));
  if (!find.IsValid()) return false;
  do {
    if (IsDotEntry(record.cFileName)) continue;
    if (record.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return false;
    if (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    FileKind kind = KindOf(record.cFileName);
    if (kind == FileKind::kUnknown) return false;
    if (kind == FileKind::kData) files.push_back(record.cFileName);
  } while (FindNextFileA(find.Get(), &record));
  return GetLastError() == ERROR_NO_MORE_FILES;
}

// Copies the folder's subfolders (Chromium keeps a second LevelDB in
// shared_proto_db\metadata) whole into `to`.
bool CopySubfolders(const std::string& folder, const std::string& to) {
  WIN32_FIND_DATAA record;
  CFindHandle find(FindFirstFileA((folder + "\\*.*").c_str(), &record));
  if (!find.IsValid()) return false;
  do {
    if (IsDotEntry(record.cFileName) || !(record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      continue;
    if (!CopyTree(ChildPath(folder, record.cFileName), ChildPath(to, record.cFileName)))
      return false;
  } while (FindNextFileA(find.Get(), &record));
  return GetLastError() == ERROR_NO_MORE_FILES;
}

}  // namespace

CLevelDbRebuild::CLevelDbRebuild(const std::string& folder) : m_folder(folder) {}

CLevelDbRebuild::~CLevelDbRebuild() {
  CUnstoppable rollback;  // a stopping run still wipes the copies whole
  DWORD saved = GetLastError();
  m_copy.reset();
  LevelDbSiblings names(m_folder);
  if (m_ownsFresh) WipeTree(names.fresh, false);
  if (m_ownsCopy) WipeTree(names.copy, false);
  SetLastError(saved);
}

bool CLevelDbRebuild::StopAfter(LevelDbStep step) {
  if (!g_levelDbStop || !g_levelDbStop(step, m_folder)) return false;
  // As a killed run would: its handles closed, its folders where they are.
  m_copy.reset();
  m_ownsCopy = m_ownsFresh = false;
  return true;
}

bool CLevelDbRebuild::Open() {
  RecoverLevelDbSwap(m_folder);
  DWORD attributes = StartingFolderAttributes(m_folder);
  // A missing folder, or a link (never entered), is nothing left behind.
  if (!MayList(attributes) || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  m_files.clear();
  bool listed = ListDataFiles(m_folder, m_files);
  // A folder with no data file at all holds nothing: Chromium makes some
  // that it never writes to, a LOCK alone in them.
  if (listed && m_files.empty()) return false;
  if (listed && OpenCopy()) return true;
  NoteStoreLeft(m_folder);
  return false;
}

bool CLevelDbRebuild::OpenCopy() {
  LevelDbSiblings names(m_folder);
  if (!CreateDirectoryA(names.copy.c_str(), nullptr)) return false;
  m_ownsCopy = true;
  for (const std::string& name : m_files)
    if (!CopyPlainFile(ChildPath(m_folder, name.c_str()), ChildPath(names.copy, name.c_str()),
                       false))
      return false;
  if (StopAfter(LevelDbStep::kCopied)) return false;
  // The copy is opened, never the browser's folder: opening a LevelDB
  // rewrites it. A comparator other than the bytewise one (IndexedDB's) or
  // a damaged log fails here.
  m_copyEnv.reset(new CLevelDbEnv(true));
  leveldb::DB* db = nullptr;
  if (!leveldb::DB::Open(Options(m_copyEnv.get(), false), names.copy, &db).ok()) return false;
  m_copy.reset(db);
  return true;
}

bool CLevelDbRebuild::ForEach(
    const std::function<void(std::string_view key, std::string_view value)>& visit) {
  if (!m_copy) return false;
  std::unique_ptr<leveldb::Iterator> entry(m_copy->NewIterator(Checked()));
  for (entry->SeekToFirst(); entry->Valid(); entry->Next())
    visit(View(entry->key()), View(entry->value()));
  if (entry->status().ok()) return true;
  NoteStoreLeft(m_folder);
  return false;
}

bool CLevelDbRebuild::WriteFresh(const Drop& drop, long long& dropped) {
  LevelDbSiblings names(m_folder);
  if (!CreateDirectoryA(names.fresh.c_str(), nullptr)) return false;
  m_ownsFresh = true;
  CLevelDbEnv env(false);  // outlives `fresh`
  leveldb::DB* db = nullptr;
  if (!leveldb::DB::Open(Options(&env, true), names.fresh, &db).ok()) return false;
  std::unique_ptr<leveldb::DB> fresh(db);
  std::unique_ptr<leveldb::Iterator> entry(m_copy->NewIterator(Checked()));
  // Every batch is synced: the fresh folder is complete on the disk before
  // the journal says so. Syncing only the last one is not enough: LevelDB
  // syncs its tables and MANIFEST, but not a log it leaves for a new one
  // (every 4 MB), and a database closed while that log's memory table is
  // being written out drops the table and keeps the unsynced log
  // (db_impl.cc, CompactMemTable when shutting down).
  leveldb::WriteOptions synced;
  synced.sync = true;
  leveldb::WriteBatch batch;
  for (entry->SeekToFirst(); entry->Valid(); entry->Next()) {
    if (drop(View(entry->key()), View(entry->value()))) {
      ++dropped;
      continue;
    }
    batch.Put(entry->key(), entry->value());
    if (batch.ApproximateSize() < kBatchBytes) continue;
    if (!fresh->Write(synced, &batch).ok()) return false;
    batch.Clear();
  }
  if (!entry->status().ok() || !fresh->Write(synced, &batch).ok()) return false;
  fresh.reset();
  return CopySubfolders(m_folder, names.fresh);
}

long long CLevelDbRebuild::Rebuild(
    const std::function<bool(std::string_view key, std::string_view value)>& drop) {
  long long result = RebuildFromCopy(drop);
  if (result < 0) NoteStoreLeft(m_folder);
  return result;
}

long long CLevelDbRebuild::RebuildFromCopy(const Drop& drop) {
  if (!m_copy) return -1;
  // A first look, up to the first entry that goes: most runs find none, and
  // then nothing is written at all.
  bool any = false;
  std::unique_ptr<leveldb::Iterator> entry(m_copy->NewIterator(Checked()));
  for (entry->SeekToFirst(); entry->Valid() && !any; entry->Next())
    any = drop(View(entry->key()), View(entry->value()));
  bool sound = entry->status().ok();
  entry.reset();
  if (!sound) return -1;
  // No live entry goes, but the folder's files may still hold dead records
  // that name one (overwritten values, deleted keys, keys in the MANIFEST):
  // read from the original, since opening the copy rewrote it.
  if (!any) {
    RecordsNamed dead = FindNamedRecord(m_folder, m_files, m_copyEnv.get(), drop);
    if (dead == RecordsNamed::kUnreadable) return -1;
    if (dead == RecordsNamed::kNone) return 0;
  }

  long long dropped = 0;
  LevelDbSiblings names(m_folder);
  if (!WriteFresh(drop, dropped) || StopAfter(LevelDbStep::kFreshWritten)) return -1;
  // From the journal on, the swap and the erasing of what it swapped out are
  // finished before the run may stop.
  CUnstoppable unstoppable;
  if (!WriteJournal(names.journal) || StopAfter(LevelDbStep::kJournalWritten)) return -1;
  // A file of the folder held open by another program fails the rename, and
  // nothing was changed.
  if (!MoveFileA(m_folder.c_str(), names.old.c_str())) {
    DeleteFileA(names.journal.c_str());
    return -1;
  }
  if (StopAfter(LevelDbStep::kOriginalMoved)) return -1;
  if (!MoveFileA(names.fresh.c_str(), m_folder.c_str())) {
    // Put back; if even that fails, the journal makes the next run finish
    // the swap with the fresh folder, which must stay for it.
    if (MoveFileA(names.old.c_str(), m_folder.c_str()))
      DeleteFileA(names.journal.c_str());
    else
      m_ownsFresh = false;
    return -1;
  }
  m_ownsFresh = false;
  if (StopAfter(LevelDbStep::kFreshMoved)) return -1;
  bool gone = WipeTree(names.old, true);
  if (StopAfter(LevelDbStep::kOldErased)) return -1;
  m_copy.reset();
  gone = WipeTree(names.copy, false) && gone;
  m_ownsCopy = false;
  if (StopAfter(LevelDbStep::kCopyErased)) return -1;
  // Kept while anything holding the erased entries is left: the next run
  // tries again.
  if (gone) DeleteFileA(names.journal.c_str());
  return any ? dropped : 1;
}
