// The user's own lists: files zero-wiped and deleted, folders emptied and
// removed. The counts are read again before each entry.
#include "engine/Log.h"
#include "engine/Primitives.h"
#include "engine/Steps.h"

void WipeListedFiles(CRunContext& run) {
  const auto& files = run.Profile().fileList;
  for (size_t i = 0; i < files.size(); ++i) {
    LogLine("Wiping Selected Files...");
    std::string file = files[i];
    WipeFile(file);
  }
}

void EraseListedFolders(CRunContext& run) {
  const auto& folders = run.Profile().folderList;
  for (size_t i = 0; i < folders.size(); ++i) {
    LogLine("Erasing Selected Folders...");
    std::string folder = folders[i];
    EraseFolderContents(folder, 0, 0);
    // Succeeds only when nothing was left inside (a desktop.ini stays).
    RemoveDirectoryA(folder.c_str());
  }
}
