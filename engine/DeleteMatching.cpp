#include "engine/EraseCount.h"
#include "engine/EraseNames.h"
#include "engine/Handles.h"
#include "engine/Primitives.h"
#include "engine/Stop.h"

void DeleteMatching(const std::string& folder, const std::string& suffix) {
  // Like every eraser, never in a folder reached as a link itself.
  if (!MayList(StartingFolderAttributes(folder))) return;
  // The pattern narrows the listing; the ending decides. On Windows "*.tmp"
  // also matches "x.tmpl" through its short name "X~1.TMP", which is not
  // what was asked for; Wine 8 matches it too (the Run test's buddy.tmpl
  // goes without this check). A folder among the matches is no file and
  // is passed over; a read-only file fails to delete and is left.
  WIN32_FIND_DATAA record;
  CFindHandle find(FindFirstFileA((folder + "\\*" + suffix).c_str(), &record));
  if (!find.IsValid()) return;
  do {
    if (StopRequested()) return;
    if (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (!HasFixedEnding(record.cFileName, suffix.c_str())) continue;
    CountDeletion(DeleteFileA(ChildPath(folder, record.cFileName).c_str()), ListedSize(record));
  } while (FindNextFileA(find.Get(), &record));
}
