// The steps of the cleaning run, in the order Run calls them. Each tests its
// own flags where the run's order table says, logs its progress line and
// erases through the primitives.
#pragma once

#include "engine/RunContext.h"

// Browsers and the AOL client.
void EraseNetscapeProfiles(CRunContext& run);  // Mozilla tree, then Netscape tree
void EraseIeCookies(CRunContext& run);
void EraseTypedUrls(CRunContext& run);
void EraseAol(CRunContext& run);
void EraseIeCache(CRunContext& run);
void EraseIeFavorites(CRunContext& run);
void EraseIeHistory(CRunContext& run);
// The same five boxes for the Chromium family, then Firefox (browsers/TodayBrowsers.h).
void EraseTodaysBrowsers(CRunContext& run);

// Windows and Media Player.
void EraseTempFolders(CRunContext& run);
void EraseRecentFiles(CRunContext& run);
void EraseMyDocuments(CRunContext& run);
void EraseRegistryBackups(CRunContext& run);
void EraseClipboard(CRunContext& run);
void EraseMediaPlayerHistory(CRunContext& run);
void EraseMediaPlayerPlaylists(CRunContext& run);

// Messengers.
void EraseYahooMessenger(CRunContext& run);
void EraseIcq(CRunContext& run);
void EraseAim(CRunContext& run);
void EraseMsnReceivedFiles(CRunContext& run);

// The user's lists.
void WipeListedFiles(CRunContext& run);
void EraseListedFolders(CRunContext& run);
