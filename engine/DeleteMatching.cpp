#include "engine/EraseNames.h"
#include "engine/Handles.h"
#include "engine/Primitives.h"

void DeleteMatching(const std::string& folder, const std::string& suffix) {
  // Like every eraser, never in a folder reached as a link itself.
  if (!MayList(StartingFolderAttributes(folder))) return;
  // The wildcard rules of the listing decide which names match; folders and
  // read-only files among them simply fail to delete.
  WIN32_FIND_DATAA record;
  CFindHandle find(FindFirstFileA((folder + "\\*" + suffix).c_str(), &record));
  if (!find.IsValid()) return;
  do {
    DeleteFileA(ChildPath(folder, record.cFileName).c_str());
  } while (FindNextFileA(find.Get(), &record));
}
