// The top-level fields of a protocol buffer message, which Chromium writes
// into some of its files and LevelDB values. Only what the erasers need to
// find an origin or an id: field numbers, varints and length-delimited bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

struct ProtoField {
  int number;
  int wireType;            // 0 varint, 1 64-bit, 2 length-delimited, 5 32-bit
  uint64_t varint;         // wire type 0
  std::string_view bytes;  // wire type 2
};

// Calls visit() for each top-level field in order. False when the message is
// malformed (a field runs past the end, or an unknown wire type).
bool ForEachProtoField(std::string_view message,
                       const std::function<void(const ProtoField&)>& visit);
