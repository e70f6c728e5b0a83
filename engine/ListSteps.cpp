// The user's own lists: files zero-wiped and deleted, folders emptied and
// removed, in list order, with one progress line before each entry.
#include "engine/Log.h"
#include "engine/Primitives.h"
#include "engine/Steps.h"

void WipeListedFiles(CRunContext& run) {
  for (const std::string& file : run.Profile().fileList) {
    LogLine("Wiping Selected Files...");
    WipeFile(file);
  }
}

void EraseListedFolders(CRunContext& run) {
  for (const std::string& folder : run.Profile().folderList) {
    LogLine("Erasing Selected Folders...");
    EraseFolderContents(folder, 0, 0);
    // Succeeds only when nothing was left inside (a desktop.ini stays).
    RemoveDirectoryA(folder.c_str());
  }
}
