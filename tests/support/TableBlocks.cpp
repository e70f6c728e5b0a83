#include "tests/support/TableBlocks.h"

#include <cstdint>
#include <cstring>

#include "snappy.h"
#include "tests/support/Win32Test.h"

namespace {

uint64_t Varint(const std::string& bytes, size_t& at) {
  uint64_t value = 0;
  for (int shift = 0; shift < 64 && at < bytes.size(); shift += 7) {
    value |= static_cast<uint64_t>(bytes[at] & 0x7f) << shift;
    if (!(bytes[at++] & 0x80)) break;
  }
  return value;
}

// The block whose handle (offset and size, varints) is at `at` in `handles`,
// decompressed when the type byte after it says Snappy (1); "" when it does
// not lie in the file.
std::string Block(const std::string& file, const std::string& handles, size_t& at) {
  uint64_t offset = Varint(handles, at), size = Varint(handles, at);
  if (offset > file.size() || size + 5 > file.size() - offset) return "";
  std::string block = file.substr(offset, size), plain;
  return file[offset + size] == 1 && snappy::Uncompress(block.data(), size, &plain) ? plain : block;
}

}  // namespace

std::string SearchableBytes(const std::string& path) {
  std::string file = ReadAll(path), ending = path.substr(path.size() - 4);
  if ((ending != ".ldb" && ending != ".sst") || file.size() < 48) return file;
  // A table ends in a 48-byte footer: the metaindex block's handle, then the
  // index block's. Each index entry is a key (shared and unshared lengths,
  // value length, the unshared bytes) whose value is a data block's handle;
  // the block ends with its restart offsets and their count.
  size_t at = file.size() - 48;
  std::string text = file + Block(file, file, at), index = Block(file, file, at);
  text += index;
  uint32_t restarts = 0;
  if (index.size() >= 4) std::memcpy(&restarts, index.data() + index.size() - 4, 4);
  size_t end = index.size() >= 4 * (restarts + 1ull) ? index.size() - 4 * (restarts + 1) : 0;
  for (at = 0; at < end;) {
    Varint(index, at);
    uint64_t unshared = Varint(index, at), length = Varint(index, at);
    size_t handle = at + unshared;
    at = handle + length;
    text += Block(file, index, handle);
  }
  return text;
}
