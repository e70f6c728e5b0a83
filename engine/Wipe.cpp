#include "engine/Primitives.h"
#include "engine/ZeroFill.h"

void WipeFile(const std::string& path) {
  // A file that cannot be opened for writing (read-only, locked, missing, a
  // link) is left entirely alone: deleting it unwiped would look like a wipe.
  if (!ZeroFillFrom(path, 0)) return;
  DeleteFileA(path.c_str());
}
