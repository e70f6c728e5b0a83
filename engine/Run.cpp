// The cleaning run: one synchronous pass over every target in a fixed order.
#include "engine/Clock.h"
#include "engine/Log.h"
#include "engine/Steps.h"
#include "profile/SweepProfile.h"

void CSweepProfile::Run(LONG mask) {
  CRunContext run(*this);
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

  lastErase = UnixTime();
  LogLine("Cleaning complete.");
}
