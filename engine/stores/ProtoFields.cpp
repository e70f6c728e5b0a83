#include "engine/stores/ProtoFields.h"

namespace {

bool ReadVarint(std::string_view& in, uint64_t& value) {
  value = 0;
  for (int shift = 0; shift < 64 && !in.empty(); shift += 7) {
    uint8_t byte = static_cast<uint8_t>(in.front());
    in.remove_prefix(1);
    value |= static_cast<uint64_t>(byte & 0x7f) << shift;
    if (!(byte & 0x80)) return true;
  }
  return false;
}

}  // namespace

bool ForEachProtoField(std::string_view message,
                       const std::function<void(const ProtoField&)>& visit) {
  while (!message.empty()) {
    uint64_t tag = 0;
    if (!ReadVarint(message, tag) || (tag >> 3) == 0 || (tag >> 3) > 0x1fffffff) return false;
    ProtoField field = {static_cast<int>(tag >> 3), static_cast<int>(tag & 7), 0, {}};
    uint64_t size = 0;
    switch (field.wireType) {
      case 0:
        if (!ReadVarint(message, field.varint)) return false;
        break;
      case 1:
      case 5:
        size = field.wireType == 1 ? 8 : 4;
        if (message.size() < size) return false;
        message.remove_prefix(size);
        break;
      case 2:
        if (!ReadVarint(message, size) || size > message.size()) return false;
        field.bytes = message.substr(0, size);
        message.remove_prefix(size);
        break;
      default:
        return false;
    }
    visit(field);
  }
  return true;
}
