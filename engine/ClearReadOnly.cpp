#include "engine/Primitives.h"
#include "platform/win32.h"

void ClearReadOnly(const std::string& path) {
  // The listing's record may be stale by the time the entry is reached, and
  // only the file system's current bits may be written back unchanged.
  DWORD attributes = GetFileAttributesA(path.c_str());
  // INVALID_FILE_ATTRIBUTES has every bit set, the read-only one included;
  // writing it back less that bit would set every other attribute.
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return;
  SetFileAttributesA(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}
