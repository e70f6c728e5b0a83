// The cleaning run: one synchronous pass over every target in a fixed order,
// which a stop request ends at its next safe point.
#include "engine/Clock.h"
#include "engine/EraseCount.h"
#include "engine/Log.h"
#include "engine/Steps.h"
#include "engine/Stop.h"
#include "profile/SweepProfile.h"

CEraseCount g_eraseCount;
std::vector<std::string> g_storesLeft;

namespace {

std::string Files(uint64_t count) {
  return count == 1 ? "1 file" : std::to_string(count) + " files";
}

// What the run erased and what it had to leave, so that a file the user
// asked to destroy is never silently still there. Nothing when the run
// touched no file at all.
void LogSummary(const CRunContext& run) {
  const CEraseCount& count = g_eraseCount;
  if (count.erased == 0 && count.left == 0 && run.jumpListsLeft.empty() && g_storesLeft.empty())
    return;
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
  for (const std::string& store : g_storesLeft)
    LogReportLine("Not erased (a browser file Tidewisp cannot read): " + store);
}

}  // namespace

bool CSweepProfile::Run(LONG mask) {
  CRunContext run(*this);
  g_eraseCount = {};
  g_storesLeft.clear();
  ClearRunReport();
  LogLine("Start cleaning...");

  // The flags do not change during a run: each is read here once, and the
  // steps run in this order, each when its test holds.
  const bool lists = (mask & kUserListsMask) != 0;
  const struct {
    bool on;
    void (*step)(CRunContext&);
  } steps[] = {
      {true, EraseNetscapeProfiles},  // tests its own flags and the application-data folder
      {run.On(kIeCookies), EraseIeCookies},
      {run.On(kTypedUrls), EraseTypedUrls},
      {run.On(kAolGoTo) || run.On(kAolCache) || run.On(kAim), EraseAol},
      {run.On(kIeCache) || run.On(kAolCache), EraseIeCache},
      {run.On(kIeFavorites), EraseIeFavorites},
      {run.On(kIeHistory), EraseIeHistory},
      {true, EraseTodaysBrowsers},  // tests the same five flags itself
      {run.On(kTempFolders), EraseTempFolders},
      {run.On(kRecentFiles), EraseRecentFiles},
      {run.On(kMyDocuments), EraseMyDocuments},
      {run.On(kRegistryBackups), EraseRegistryBackups},
      {run.On(kClipboard), EraseClipboard},
      {run.On(kMediaPlayerHistory), EraseMediaPlayerHistory},
      {run.On(kMediaPlayerPlaylists), EraseMediaPlayerPlaylists},
      {run.On(kYahooMessenger), EraseYahooMessenger},
      {run.On(kIcq), EraseIcq},
      {run.On(kAim), EraseAim},
      {run.On(kMsnReceivedFiles), EraseMsnReceivedFiles},
      {lists, WipeListedFiles},
      {lists, EraseListedFolders},
  };
  // Between two steps is a safe point; the steps have their own inside.
  for (const auto& step : steps)
    if (step.on && !StopRequested()) step.step(run);

  // What was done is reported either way; only a run that went to its end
  // is stamped, so that the schedule still counts from the last whole one.
  const bool stopped = StopRequested();
  LogSummary(run);
  if (stopped) {
    LogLine("Cleaning stopped.");
    return false;
  }
  lastErase = UnixTime();
  LogLine("Cleaning complete.");
  return true;
}
