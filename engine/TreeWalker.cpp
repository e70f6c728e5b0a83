#include "engine/EraseNames.h"
#include "engine/Handles.h"
#include "engine/Primitives.h"
#include "engine/Stop.h"

namespace {

// Pre-order: the visitor has finished with a folder before the folder is
// listed, so its files' read-only bits are cleared only after that visit.
// A link is neither walked nor touched: links can lead out of the tree or
// back into it, and a walk that followed them could erase elsewhere or never
// end.
void WalkBelow(const std::string& folder, FolderVisitor visitor) {
  WIN32_FIND_DATAA record;
  CFindHandle find(FindFirstFileA((folder + "\\*.*").c_str(), &record));
  if (!find.IsValid()) return;
  do {
    if (StopRequested()) return;
    if (IsDotEntry(record.cFileName)) continue;
    if (record.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
    std::string path = ChildPath(folder, record.cFileName);
    // The walker deletes nothing itself; clearing the bit lets this walk's
    // later visits, and later walks, delete what a visitor is after.
    ClearReadOnly(path);
    if (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      visitor(path);
      WalkBelow(path, visitor);
    }
  } while (FindNextFileA(find.Get(), &record));
}

}  // namespace

void WalkFolderTree(const std::string& folder, FolderVisitor visitor) {
  // A root that is a link is neither visited nor listed. Any other root is
  // visited even when it does not exist; it is listed only when its
  // attributes can be read.
  DWORD attributes = StartingFolderAttributes(folder);
  if (IsLink(attributes)) return;
  visitor(folder);
  if (!MayList(attributes)) return;
  WalkBelow(folder, visitor);
}

// The visitors try each deletion regardless of the one before; a missing
// name, a folder of that name, or a locked or read-only file simply stays.

void EraseNetscapeCache(const std::string& folder) {
  EraseFolderContents(folder + "\\Cache", 0, 0);
  EraseFolderContents(folder + "\\NewCache", 0, 0);
}

void EraseNetscapeHistory(const std::string& folder) {
  DeleteNamedFile(folder + "\\history.dat");
  DeleteNamedFile(folder + "\\netscape.hst");
}

void EraseNetscapeCookies(const std::string& folder) { DeleteNamedFile(folder + "\\cookies.txt"); }

void EraseNetscapeMail(const std::string& folder) {
  DeleteNamedFile(folder + "\\Trash");
  DeleteNamedFile(folder + "\\Trash.msf");
  DeleteNamedFile(folder + "\\Sent");
}
