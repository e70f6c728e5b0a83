#include "engine/stores/LevelDbRecords.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

#include "engine/EraseNames.h"
#include "engine/Handles.h"
#include "leveldb/env.h"
#include "leveldb/iterator.h"
#include "leveldb/options.h"
#include "leveldb/table.h"

namespace {

using Named = std::function<bool(std::string_view, std::string_view)>;

// LevelDB's log format, shared by its logs and its MANIFEST: 32 KiB blocks of
// fragments, each behind a 7-byte header (masked CRC-32C of the type byte and
// the payload, 2-byte length, type). A record is one FULL fragment, or FIRST,
// MIDDLE..., LAST. Fewer than 7 bytes left in a block are padding.
constexpr size_t kBlock = 32768, kHeader = 7;
enum FragmentType { kZeroType = 0, kFull = 1, kFirst = 2, kMiddle = 3, kLast = 4 };

uint32_t Fixed32(const char* at) {
  uint32_t value;
  std::memcpy(&value, at, 4);  // little-endian, as the platform is
  return value;
}

uint32_t Crc32c(const char* data, size_t size) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? (c >> 1) ^ 0x82f63b78u : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t crc = ~0u;
  while (size--) crc = table[(crc ^ static_cast<uint8_t>(*data++)) & 0xff] ^ (crc >> 8);
  return ~crc;
}

// LevelDB stores a CRC masked, rotated and offset, so that the CRC of a
// string holding CRCs stays meaningful.
uint32_t Unmask(uint32_t masked) {
  uint32_t rotated = masked - 0xa282ead8u;
  return (rotated >> 17) | (rotated << 15);
}

// The records of one log file, joined from their fragments, one at a time:
// memory is one block and one record.
class CLogReader {
 public:
  enum Result { kRecord, kEnd, kCutShort, kDamaged };
  explicit CLogReader(HANDLE file) : m_file(file), m_block(kBlock) {}
  // kCutShort: the file ends inside the record (a writer killed mid-write),
  // of which `record` holds what there is; LevelDB ignores such a tail.
  Result Next(std::string& record);

 private:
  bool Fill();
  HANDLE m_file;
  std::vector<char> m_block;
  size_t m_size = 0, m_at = 0;
  bool m_eof = false;  // the last read was short: nothing follows m_block
};

bool CLogReader::Fill() {
  DWORD read = 0;
  if (!ReadFile(m_file, m_block.data(), kBlock, &read, nullptr)) return false;
  m_size = read;
  m_at = 0;
  m_eof = read < kBlock;
  return true;
}

CLogReader::Result CLogReader::Next(std::string& record) {
  record.clear();
  bool inRecord = false;
  for (;;) {
    if (m_size - m_at < kHeader) {
      if (m_eof) return inRecord ? kCutShort : kEnd;  // a header cut short is no damage either
      if (!Fill()) return kDamaged;
      continue;
    }
    const char* header = m_block.data() + m_at;
    size_t length = static_cast<uint8_t>(header[4]) | static_cast<uint8_t>(header[5]) << 8;
    int type = static_cast<uint8_t>(header[6]);
    if (kHeader + length > m_size - m_at) {
      if (!m_eof) return kDamaged;  // a length past its block
      // The file ends inside this fragment. Its bytes are readable all the
      // same, so they are looked at, unchecked.
      if (type >= kFull && type <= kLast) record.append(header + kHeader, m_size - m_at - kHeader);
      m_at = m_size;
      return record.empty() ? kEnd : kCutShort;
    }
    if (type == kZeroType && length == 0) {  // preallocated space: the rest of the block
      if (inRecord) return kDamaged;
      m_at = m_size;
      continue;
    }
    if (Unmask(Fixed32(header)) != Crc32c(header + 6, 1 + length)) return kDamaged;
    m_at += kHeader + length;
    if ((type == kFull || type == kFirst) == inRecord) return kDamaged;
    if (type < kFull || type > kLast) return kDamaged;
    record.append(header + kHeader, length);
    inRecord = true;
    if (type == kFull || type == kLast) return kRecord;
  }
}

bool GetVarint(std::string_view& in, uint64_t& value) {
  value = 0;
  for (int shift = 0; shift < 64 && !in.empty(); shift += 7) {
    uint8_t byte = static_cast<uint8_t>(in[0]);
    in.remove_prefix(1);
    value |= static_cast<uint64_t>(byte & 0x7f) << shift;
    if (!(byte & 0x80)) return true;
  }
  return false;
}

bool GetString(std::string_view& in, std::string_view& text) {
  uint64_t length;
  if (!GetVarint(in, length) || length > in.size()) return false;
  text = in.substr(0, length);
  in.remove_prefix(length);
  return true;
}

// What a record parser found; `whole` is false for a record cut short, which
// is read as far as its parts are whole.
using Parser = RecordsNamed (*)(std::string_view record, bool whole, const Named& named);

// A log record is a WriteBatch: 8-byte sequence, 4-byte count, then entries
// of a type byte (1: put, key and value; 0: deletion, key).
RecordsNamed BatchNames(std::string_view batch, bool whole, const Named& named) {
  RecordsNamed broken = whole ? RecordsNamed::kUnreadable : RecordsNamed::kNone;
  if (batch.size() < 12) return broken;
  uint32_t count = Fixed32(batch.data() + 8), found = 0;
  batch.remove_prefix(12);
  while (!batch.empty()) {
    char type = batch[0];
    batch.remove_prefix(1);
    std::string_view key, value;
    if ((type != 0 && type != 1) || !GetString(batch, key) ||
        (type == 1 && !GetString(batch, value)))
      return broken;
    ++found;
    if (named(key, value)) return RecordsNamed::kSome;
  }
  return found == count || !whole ? RecordsNamed::kNone : RecordsNamed::kUnreadable;
}

// A key as tables and the MANIFEST keep it: the user's key, then 8 bytes of
// sequence number and type.
bool UserKey(std::string_view internal, std::string_view& user) {
  if (internal.size() < 8) return false;
  user = internal.substr(0, internal.size() - 8);
  return true;
}

// A MANIFEST record is a VersionEdit: tagged fields, of which the compaction
// pointers (5) and the new files' smallest and largest keys (7) hold keys.
RecordsNamed EditNames(std::string_view edit, bool whole, const Named& named) {
  while (!edit.empty()) {
    uint64_t tag = 0, number = 0;
    std::string_view keys[2], user;
    size_t count = 0;
    bool ok = GetVarint(edit, tag);
    switch (tag) {
      case 1:  // comparator name
        ok = ok && GetString(edit, keys[0]);
        break;
      // log number, next file number, last sequence, previous log number
      case 2:
      case 3:
      case 4:
      case 9:
        ok = ok && GetVarint(edit, number);
        break;
      case 5:  // compaction pointer: level, key
        ok = ok && GetVarint(edit, number) && GetString(edit, keys[0]);
        count = 1;
        break;
      case 6:  // deleted file: level, number
        ok = ok && GetVarint(edit, number) && GetVarint(edit, number);
        break;
      case 7:  // new file: level, number, size, smallest and largest key
        ok = ok && GetVarint(edit, number) && GetVarint(edit, number) && GetVarint(edit, number) &&
             GetString(edit, keys[0]) && GetString(edit, keys[1]);
        count = 2;
        break;
      default:
        ok = false;
    }
    if (!ok) return whole ? RecordsNamed::kUnreadable : RecordsNamed::kNone;
    for (size_t i = 0; i < count; ++i) {
      if (!UserKey(keys[i], user)) return RecordsNamed::kUnreadable;
      if (named(user, {})) return RecordsNamed::kSome;
    }
  }
  return RecordsNamed::kNone;
}

RecordsNamed LogNames(const std::string& path, Parser parse, const Named& named) {
  CFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.IsValid()) return RecordsNamed::kUnreadable;
  CLogReader log(file.Get());
  std::string record;
  for (;;) {
    CLogReader::Result result = log.Next(record);
    if (result == CLogReader::kEnd) return RecordsNamed::kNone;
    if (result == CLogReader::kDamaged) return RecordsNamed::kUnreadable;
    RecordsNamed found = parse(record, result == CLogReader::kRecord, named);
    if (found != RecordsNamed::kNone || result == CLogReader::kCutShort) return found;
  }
}

// A table through LevelDB's own reader, which checks every block's checksum.
RecordsNamed TableNames(const std::string& path, leveldb::Env* env, const Named& named) {
  uint64_t size = 0;
  leveldb::RandomAccessFile* raw = nullptr;
  if (!env->GetFileSize(path, &size).ok() || !env->NewRandomAccessFile(path, &raw).ok())
    return RecordsNamed::kUnreadable;
  std::unique_ptr<leveldb::RandomAccessFile> file(raw);  // outlives the table
  leveldb::Options options;
  options.paranoid_checks = true;
  leveldb::Table* table = nullptr;
  if (!leveldb::Table::Open(options, file.get(), size, &table).ok())
    return RecordsNamed::kUnreadable;
  std::unique_ptr<leveldb::Table> owner(table);
  leveldb::ReadOptions read;
  read.verify_checksums = true;
  read.fill_cache = false;
  std::unique_ptr<leveldb::Iterator> entry(table->NewIterator(read));
  std::string_view user;
  for (entry->SeekToFirst(); entry->Valid(); entry->Next()) {
    std::string_view key(entry->key().data(), entry->key().size());
    // The trailer's low byte is the type: 1 a value, 0 a deletion marker.
    if (!UserKey(key, user) || static_cast<uint8_t>(key[key.size() - 8]) > 1)
      return RecordsNamed::kUnreadable;
    std::string_view value = key[key.size() - 8] == 1
                                 ? std::string_view(entry->value().data(), entry->value().size())
                                 : std::string_view();
    if (named(user, value)) return RecordsNamed::kSome;
  }
  return entry->status().ok() ? RecordsNamed::kNone : RecordsNamed::kUnreadable;
}

bool EndsWith(const std::string& name, const char* ending) {
  size_t size = std::strlen(ending);
  return name.size() >= size && name.compare(name.size() - size, size, ending) == 0;
}

}  // namespace

RecordsNamed FindNamedRecord(const std::string& folder, const std::vector<std::string>& files,
                             leveldb::Env* env, const Named& named) {
  for (const std::string& name : files) {
    std::string path = ChildPath(folder, name.c_str());
    RecordsNamed found = RecordsNamed::kNone;
    if (EndsWith(name, ".log"))
      found = LogNames(path, BatchNames, named);
    else if (name.compare(0, 9, "MANIFEST-") == 0)
      found = LogNames(path, EditNames, named);  // every one there, current or left by a crash
    else if (EndsWith(name, ".ldb") || EndsWith(name, ".sst"))
      found = TableNames(path, env, named);
    if (found != RecordsNamed::kNone) return found;
  }
  return RecordsNamed::kNone;  // CURRENT only names the MANIFEST
}
