// Run-length file contents: the eraser overwrites files of many gigabytes with
// one 10000-byte zero buffer at a time, so a byte repeated over a range is kept
// as one uniform run and neighbouring uniform runs of the same byte are merged.
// Only bytes that really differ are stored.
#include <algorithm>
#include <cstring>

#include "platform/sim/Machine.h"

namespace sim {

namespace {

// All bytes equal: each equals its successor. memcmp keeps this quick even
// in the unoptimised test build, where it runs once for every WriteFile.
bool OneByte(const uint8_t* bytes, uint64_t count) {
  return count > 0 && std::memcmp(bytes, bytes + 1, count - 1) == 0;
}

}  // namespace

void FileData::Split(uint64_t offset) {
  auto next = runs_.upper_bound(offset);
  auto at = std::prev(next);  // runs_ tile [0, size_) and offset < size_
  if (at->first == offset) return;
  Run& run = at->second;
  uint64_t head = offset - at->first;
  Run tail{run.length - head, run.uniform, run.byte, std::string()};
  if (!run.uniform) {
    tail.bytes = run.bytes.substr(head);
    run.bytes.resize(head);
  }
  run.length = head;
  runs_.emplace_hint(next, offset, std::move(tail));
}

// Replaces [offset, offset + run.length), which lies inside [0, size_).
void FileData::Put(uint64_t offset, Run run) {
  uint64_t end = offset + run.length;
  Split(offset);
  if (end < size_) Split(end);
  auto first = runs_.find(offset);
  auto last = runs_.lower_bound(end);
  runs_.erase(first, last);
  auto at = runs_.emplace(offset, std::move(run)).first;

  // Merge with uniform neighbours of the same byte.
  auto sameUniform = [](const Run& a, const Run& b) {
    return a.uniform && b.uniform && a.byte == b.byte;
  };
  auto next = std::next(at);
  if (next != runs_.end() && sameUniform(at->second, next->second)) {
    at->second.length += next->second.length;
    runs_.erase(next);
  }
  if (at != runs_.begin()) {
    auto prev = std::prev(at);
    if (sameUniform(prev->second, at->second)) {
      prev->second.length += at->second.length;
      runs_.erase(at);
    }
  }
}

void FileData::Resize(uint64_t size) {
  if (size == size_) return;
  if (size < size_) {
    if (size > 0) Split(size);
    runs_.erase(runs_.lower_bound(size), runs_.end());
    size_ = size;
    return;
  }
  uint64_t old = size_;
  size_ = size;
  // A placeholder, then Put so that the new zeros merge with a zero tail.
  runs_.emplace(old, Run{size - old, true, 1, std::string()});
  Put(old, Run{size - old, true, 0, std::string()});
}

void FileData::Write(uint64_t offset, const uint8_t* bytes, uint64_t count) {
  if (count == 0) return;
  if (offset + count > size_) Resize(offset + count);
  if (OneByte(bytes, count)) {
    Put(offset, Run{count, true, bytes[0], std::string()});
  } else {
    Put(offset, Run{count, false, 0, std::string(reinterpret_cast<const char*>(bytes), count)});
  }
}

void FileData::Fill(uint64_t offset, uint64_t count, uint8_t byte) {
  if (count == 0) return;
  if (offset + count > size_) Resize(offset + count);
  Put(offset, Run{count, true, byte, std::string()});
}

void FileData::Read(uint64_t offset, uint8_t* out, uint64_t count) const {
  if (offset >= size_) return;
  count = std::min(count, size_ - offset);
  auto at = std::prev(runs_.upper_bound(offset));
  while (count > 0) {
    const Run& run = at->second;
    uint64_t skip = offset - at->first;
    uint64_t take = std::min(count, run.length - skip);
    if (run.uniform) {
      std::memset(out, run.byte, take);
    } else {
      std::memcpy(out, run.bytes.data() + skip, take);
    }
    out += take;
    offset += take;
    count -= take;
    ++at;
  }
}

bool FileData::AllAre(uint64_t from, uint8_t byte) const {
  if (from >= size_) return true;
  for (auto at = std::prev(runs_.upper_bound(from)); at != runs_.end(); ++at) {
    const Run& run = at->second;
    if (run.uniform) {
      if (run.byte != byte) return false;
      continue;
    }
    uint64_t skip = from > at->first ? from - at->first : 0;
    for (uint64_t i = skip; i < run.length; ++i)
      if (static_cast<uint8_t>(run.bytes[i]) != byte) return false;
  }
  return true;
}

}  // namespace sim
