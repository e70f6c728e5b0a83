#include "engine/stores/LevelDbEnv.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "engine/Handles.h"

namespace {

// LevelDB's Windows environment maps each table file it opens (up to 1000)
// and keeps it mapped while the table is cached, so every page a rebuild
// reads stays in the working set, which then grows with the database
// (measured under Wine: 125 MB at the peak for a 56 MB database, 31 MB when
// read with ReadFile). But LevelDB reads a table one block (4 KB) at a time,
// and under Wine each ReadFile costs about 50 microseconds: a pass over a
// 56 MB database took 20,000 calls and about 1 s. So tables are read ahead in
// chunks, kept in a few buffers that all open tables share: the same pass
// took 0.06 to 0.1 s (chunks of 32 KB to 256 KB measured alike), and memory
// stays kChunks chunks however many tables are open. Iterating reads each
// table in order, and the tables read at one time are the level-0 files (at
// most 12: LevelDB stops writing there), one per deeper level and those of a
// compaction; a read that finds no chunk of its file takes the one used
// longest ago.
constexpr size_t kChunks = 16;
constexpr DWORD kChunkBytes = 64 * 1024;

class CReadAhead {
 public:
  // n bytes at `offset` of `file`, opened by `owner`, into `scratch`; fewer
  // at the end of the file. False when ReadFile failed.
  bool Read(const void* owner, HANDLE file, uint64_t offset, size_t n, char* scratch, size_t& got);
  void Opened();
  // A table closed: its chunks go (another file may be opened at its address);
  // with the last one, the buffers are freed.
  void Closed(const void* owner);

 private:
  struct Chunk {
    const void* owner = nullptr;
    uint64_t offset = 0, used = 0;
    DWORD size = 0;
    std::unique_ptr<char[]> bytes;
  };
  Chunk* Holding(const void* owner, uint64_t offset, size_t n);

  SRWLOCK m_lock = SRWLOCK_INIT;  // LevelDB reads tables from two threads
  Chunk m_chunks[kChunks];
  uint64_t m_clock = 0;
  size_t m_open = 0;
};

bool ReadAt(HANDLE file, uint64_t offset, char* into, DWORD n, DWORD& got) {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  got = 0;
  return ReadFile(file, into, n, &got, &at) || GetLastError() == ERROR_HANDLE_EOF;
}

CReadAhead::Chunk* CReadAhead::Holding(const void* owner, uint64_t offset, size_t n) {
  for (Chunk& chunk : m_chunks) {
    // A chunk shorter than kChunkBytes ends where the file ends.
    if (chunk.owner == owner && offset >= chunk.offset &&
        (offset + n <= chunk.offset + chunk.size ||
         (chunk.size < kChunkBytes && offset <= chunk.offset + chunk.size)))
      return &chunk;
  }
  return nullptr;
}

bool CReadAhead::Read(const void* owner, HANDLE file, uint64_t offset, size_t n, char* scratch,
                      size_t& got) {
  DWORD read = 0;
  if (n >= kChunkBytes) {  // a block as large as a chunk gains nothing
    bool ok = ReadAt(file, offset, scratch, static_cast<DWORD>(n), read);
    got = read;
    return ok;
  }
  AcquireSRWLockExclusive(&m_lock);
  Chunk* chunk = Holding(owner, offset, n);
  if (!chunk) {
    chunk = std::min_element(std::begin(m_chunks), std::end(m_chunks),
                             [](const Chunk& a, const Chunk& b) { return a.used < b.used; });
    if (!chunk->bytes) chunk->bytes.reset(new char[kChunkBytes]);
    chunk->owner = nullptr;
    if (!ReadAt(file, offset, chunk->bytes.get(), kChunkBytes, read)) {
      ReleaseSRWLockExclusive(&m_lock);
      return false;
    }
    chunk->owner = owner;
    chunk->offset = offset;
    chunk->size = read;
  }
  chunk->used = ++m_clock;
  size_t from = static_cast<size_t>(offset - chunk->offset);
  got = std::min(n, chunk->size - from);
  std::memcpy(scratch, chunk->bytes.get() + from, got);
  ReleaseSRWLockExclusive(&m_lock);
  return true;
}

void CReadAhead::Opened() {
  AcquireSRWLockExclusive(&m_lock);
  ++m_open;
  ReleaseSRWLockExclusive(&m_lock);
}

void CReadAhead::Closed(const void* owner) {
  AcquireSRWLockExclusive(&m_lock);
  bool last = --m_open == 0;
  for (Chunk& chunk : m_chunks) {
    if (chunk.owner == owner) chunk.owner = nullptr;
    if (last) chunk.bytes.reset();
  }
  ReleaseSRWLockExclusive(&m_lock);
}

CReadAhead g_readAhead;

class CTableFile : public leveldb::RandomAccessFile {
 public:
  explicit CTableFile(HANDLE file) : m_file(file) { g_readAhead.Opened(); }
  ~CTableFile() override { g_readAhead.Closed(this); }
  leveldb::Status Read(uint64_t offset, size_t n, leveldb::Slice* result,
                       char* scratch) const override {
    size_t got = 0;
    if (!g_readAhead.Read(this, m_file.Get(), offset, n, scratch, got))
      return leveldb::Status::IOError("ReadFile failed");
    *result = leveldb::Slice(scratch, got);
    return leveldb::Status::OK();
  }

 private:
  CFileHandle m_file;
};

}  // namespace

CLevelDbEnv::CLevelDbEnv(bool onlyRead)
    : EnvWrapper(leveldb::Env::Default()), m_onlyRead(onlyRead), m_opener(GetCurrentThreadId()) {}

bool CLevelDbEnv::MayChange() const { return !m_onlyRead || GetCurrentThreadId() == m_opener; }

leveldb::Status CLevelDbEnv::NewRandomAccessFile(const std::string& name,
                                                 leveldb::RandomAccessFile** file) {
  // As LevelDB opens them: shared for reading only.
  HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_READONLY, nullptr);
  *file = handle == INVALID_HANDLE_VALUE ? nullptr : new CTableFile(handle);
  return *file ? leveldb::Status::OK() : leveldb::Status::IOError(name, "cannot be opened");
}

leveldb::Status CLevelDbEnv::NewWritableFile(const std::string& name,
                                             leveldb::WritableFile** file) {
  *file = nullptr;
  return MayChange() ? target()->NewWritableFile(name, file)
                     : leveldb::Status::IOError(name, "a copy that is only read");
}

leveldb::Status CLevelDbEnv::NewAppendableFile(const std::string& name,
                                               leveldb::WritableFile** file) {
  *file = nullptr;
  return MayChange() ? target()->NewAppendableFile(name, file)
                     : leveldb::Status::IOError(name, "a copy that is only read");
}

leveldb::Status CLevelDbEnv::RenameFile(const std::string& from, const std::string& to) {
  return MayChange() ? target()->RenameFile(from, to)
                     : leveldb::Status::IOError(from, "a copy that is only read");
}

leveldb::Status CLevelDbEnv::RemoveFile(const std::string& name) {
  // LevelDB goes on without complaint when a file it no longer needs stays.
  return m_onlyRead ? leveldb::Status::IOError(name, "a copy that is only read")
                    : target()->RemoveFile(name);
}
