#include "engine/RecentFolder.h"

#include <algorithm>

#include "engine/EraseCount.h"
#include "engine/EraseNames.h"
#include "engine/Handles.h"
#include "engine/Primitives.h"
#include "engine/Stop.h"
#include "engine/stores/JumpList.h"
#include "engine/stores/WholeFile.h"

namespace {

const char kJumpList[] = ".automaticdestinations-ms";

// One program's jump list, before the Recent folder is emptied: true when it
// is to stay. A list with pins is written again with nothing but its pins; a
// list without goes with the folder; one this program cannot read is left
// as it was and named in the summary; one another program holds is left and
// counted, as the folder's eraser counts a held file.
bool KeepJumpList(const std::string& path, CRunContext& run) {
  RecoverWholeFile(path);
  if (!IsPlainFile(path)) return false;  // a link goes as a link
  CJumpList list;
  switch (list.Read(path)) {
    case CJumpList::Status::kGone:
      return false;
    case CJumpList::Status::kHeld:
      ++g_eraseCount.left;
      return true;
    case CJumpList::Status::kUnreadable:
      run.jumpListsLeft.push_back(path);
      return true;
    case CJumpList::Status::kRead:
      if (!list.HasPins()) return false;
  }
  // A read-only list (a way users keep Windows from changing one) is
  // rewritten all the same, and stays read-only.
  DWORD attributes = GetFileAttributesA(path.c_str());
  ClearReadOnly(path);
  CUnstoppable swap;
  if (!ReplaceWholeFileWith(path,
                            [&](const std::string& fresh) { return list.WritePinned(fresh); }))
    ++g_eraseCount.left;
  SetFileAttributesA(path.c_str(), attributes);
  return true;
}

// The jump lists that stay. Names are taken first, and every name that
// begins as a jump list's (what a cut-short swap left beside one too) is
// put right before its list is read.
std::vector<std::string> KeepJumpLists(const std::string& folder, CRunContext& run) {
  std::vector<std::string> lists, kept;
  if (!MayList(StartingFolderAttributes(folder))) return kept;
  WIN32_FIND_DATAA record;
  CFindHandle find(FindFirstFileA((folder + "\\*").c_str(), &record));
  if (!find.IsValid()) return kept;
  do {
    std::string name = record.cFileName, lower = name;
    for (char& c : lower) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    size_t at = lower.find(kJumpList);
    if (at == std::string::npos || (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    std::string path = ChildPath(folder, name.substr(0, at + sizeof kJumpList - 1).c_str());
    if (std::find(lists.begin(), lists.end(), path) == lists.end()) lists.push_back(path);
  } while (FindNextFileA(find.Get(), &record));
  for (const std::string& path : lists)
    if (KeepJumpList(path, run)) kept.push_back(path);
  return kept;
}

}  // namespace

void EraseRecentFolder(const std::string& recent, CRunContext& run) {
  EraseFolderContentsExcept(recent, KeepJumpLists(recent + "\\AutomaticDestinations", run));
}
