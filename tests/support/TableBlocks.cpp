#include "tests/support/TableBlocks.h"

#include <cstdint>
#include <cstring>

#include "snappy.h"
#include "tests/support/Win32Test.h"

namespace {

// LevelDB's table format: a 48-byte footer at the
// end holds two block handles (offset and size, varints), the metaindex's
// and the index's; each block is followed by a type byte (1: Snappy) and a
// checksum; the index block's entries point at the data blocks.
constexpr size_t kFooterSize = 48;
constexpr size_t kTrailerSize = 5;
constexpr char kSnappyBlock = 1;

bool Varint(const std::string& bytes, size_t& at, uint64_t& value) {
  value = 0;
  for (int shift = 0; shift < 64 && at < bytes.size(); shift += 7) {
    uint8_t byte = static_cast<uint8_t>(bytes[at++]);
    value |= static_cast<uint64_t>(byte & 0x7f) << shift;
    if (!(byte & 0x80)) return true;
  }
  return false;
}

// The block a handle at `at` points to, decompressed; "" when it is not in
// the file.
std::string Block(const std::string& file, const std::string& handles, size_t& at) {
  uint64_t offset = 0, size = 0;
  if (!Varint(handles, at, offset) || !Varint(handles, at, size) || offset > file.size() ||
      size + kTrailerSize > file.size() - offset)
    return "";
  std::string block = file.substr(offset, size), plain;
  if (file[offset + size] == kSnappyBlock && snappy::Uncompress(block.data(), size, &plain))
    return plain;
  return block;
}

bool IsTable(const std::string& path) {
  std::string ending = path.size() > 4 ? path.substr(path.size() - 4) : "";
  return ending == ".ldb" || ending == ".sst";
}

}  // namespace

std::string SearchableBytes(const std::string& path) {
  std::string file = ReadAll(path);
  if (!IsTable(path) || file.size() < kFooterSize) return file;
  size_t at = file.size() - kFooterSize;
  std::string text = file + Block(file, file, at), index = Block(file, file, at);
  text += index;
  // Each index entry: shared and unshared key lengths, value length, the
  // key's unshared bytes, then the value, a data block's handle. The block
  // ends with its restart offsets and their count.
  uint32_t restarts = 0;
  if (index.size() >= 4) std::memcpy(&restarts, index.data() + index.size() - 4, 4);
  size_t end = index.size() >= 4 * (restarts + 1ull) ? index.size() - 4 * (restarts + 1) : 0;
  for (at = 0; at < end;) {
    uint64_t shared, unshared, length;
    if (!Varint(index, at, shared) || !Varint(index, at, unshared) || !Varint(index, at, length))
      break;
    size_t handle = at + unshared;
    at = handle + length;
    text += Block(file, index, handle);
  }
  return text;
}
