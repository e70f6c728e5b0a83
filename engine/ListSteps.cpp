// The user's own lists: files zero-wiped and deleted, folders emptied and
// removed, in list order, with one progress line before each entry. What
// stays is noted for the run's summary.
#include "engine/EraseCount.h"
#include "engine/Log.h"
#include "engine/Primitives.h"
#include "engine/Steps.h"
#include "engine/Stop.h"

void WipeListedFiles(CRunContext& run) {
  for (const std::string& file : run.Profile().fileList) {
    if (StopRequested()) return;
    LogLine("Wiping Selected Files...");
    if (WipeFile(file) == EraseResult::kLeft) run.notWiped.push_back(file);
  }
}

void EraseListedFolders(CRunContext& run) {
  for (const std::string& folder : run.Profile().folderList) {
    if (StopRequested()) return;
    LogLine("Erasing Selected Folders...");
    uint64_t leftBefore = g_eraseCount.left;
    EraseFolderContents(folder, 0, 0);
    // Succeeds only when nothing was left inside. A desktop.ini kept on
    // purpose keeps the folder too, but is no failure to report.
    if (!RemoveDirectoryA(folder.c_str()) && g_eraseCount.left > leftBefore)
      run.notErased.push_back({folder, g_eraseCount.left - leftBefore});
  }
}
