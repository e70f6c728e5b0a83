// The cleaning run: one synchronous pass over every target in a fixed order.
#include "engine/Clock.h"
#include "engine/EraseCount.h"
#include "engine/Log.h"
#include "engine/Steps.h"
#include "profile/SweepProfile.h"

CEraseCount g_eraseCount;

namespace {

std::string Files(uint64_t count) {
  return count == 1 ? "1 file" : std::to_string(count) + " files";
}

// What the run erased and what it had to leave, so that a file the user
// asked to destroy is never silently still there. Nothing when the run
// touched no file at all.
void LogSummary(const CRunContext& run) {
  const CEraseCount& count = g_eraseCount;
  if (count.erased == 0 && count.left == 0 && run.jumpListsLeft.empty()) return;
  // As Explorer shows sizes: "5.95 KB".
  char size[64] = "";
  StrFormatByteSize64A(static_cast<LONGLONG>(count.bytes), size, sizeof size);
  LogReportLine("Erased " + Files(count.erased) + " (" + size + ").");
  if (count.left == 1) LogReportLine("1 file was left: in use or protected.");
  if (count.left > 1) LogReportLine(Files(count.left) + " were left: in use or protected.");
  for (const std::string& file : run.notWiped)
    LogReportLine("Not wiped (in use or protected): " + file);
  for (const auto& [folder, left] : run.notErased)
    LogReportLine("Not fully erased (" + Files(left) + " in use or protected): " + folder);
  for (const std::string& list : run.jumpListsLeft)
    LogReportLine("Not erased (a jump list Tidewisp cannot read): " + list);
}

}  // namespace

void CSweepProfile::Run(LONG mask) {
  CRunContext run(*this);
  g_eraseCount = {};
  ClearRunReport();
  LogLine("Start cleaning...");

  EraseNetscapeProfiles(run);  // tests its own flags and the application-data folder
  if (run.On(kIeCookies)) EraseIeCookies(run);
  if (run.On(kTypedUrls)) EraseTypedUrls(run);
  if (run.On(kAolGoTo) || run.On(kAolCache) || run.On(kAim)) EraseAol(run);
  if (run.On(kIeCache) || run.On(kAolCache)) EraseIeCache(run);
  if (run.On(kIeFavorites)) EraseIeFavorites(run);
  if (run.On(kIeHistory)) EraseIeHistory(run);
  EraseTodaysBrowsers(run);  // tests the same five flags itself

  if (run.On(kTempFolders)) EraseTempFolders(run);
  if (run.On(kRecentFiles)) EraseRecentFiles(run);
  if (run.On(kMyDocuments)) EraseMyDocuments(run);
  if (run.On(kRegistryBackups)) EraseRegistryBackups(run);
  if (run.On(kClipboard)) EraseClipboard(run);
  if (run.On(kMediaPlayerHistory)) EraseMediaPlayerHistory(run);
  if (run.On(kMediaPlayerPlaylists)) EraseMediaPlayerPlaylists(run);
  if (run.On(kYahooMessenger)) EraseYahooMessenger(run);
  if (run.On(kIcq)) EraseIcq(run);
  if (run.On(kAim)) EraseAim(run);
  if (run.On(kMsnReceivedFiles)) EraseMsnReceivedFiles(run);

  if (mask & kUserListsMask) {
    WipeListedFiles(run);
    EraseListedFolders(run);
  }

  LogSummary(run);
  lastErase = UnixTime();
  LogLine("Cleaning complete.");
}
