// What the Chromium family's steps share: a profile, the database versions
// these steps know, and the erasers each file defines. What each box erases
// is listed in docs/browsers.md.
#pragma once

#include <initializer_list>
#include <string>

#include "engine/browsers/TodayBrowsers.h"

namespace chromium {

// The newest last_compatible_version (in each database's meta table) whose
// layout these steps know, as Chromium 156 writes it. A database marked newer
// is left as it is. 0: the version is not looked at (the steps only empty
// whole tables there, which any version that has them allows).
constexpr long long kHistoryVersion = 16, kFaviconsVersion = 9, kTopSitesVersion = 5,
                    kShortcutsVersion = 1, kCookiesVersion = 24, kDipsVersion = 11, kAnyVersion = 0;

// A profile folder, and the folder its caches lie in: the same folder but for
// Opera, whose caches lie under the same path in %LOCALAPPDATA%.
struct ChromiumProfile {
  std::string folder, cache;
};

// The bookmark files, wiped by Favorites. The plain ones (the first
// kPlainBookmarkFiles) are read for the addresses History keeps; Chromium 156
// also writes an encrypted copy of the same bookmarks (EncryptedBookmarks2),
// which goes with them. AccountBookmarks holds those of a signed-in account.
extern const char* const kBookmarkFiles[6];
constexpr size_t kPlainBookmarkFiles = 4;

// Opens the database and checks its version and the columns the caller uses.
bool OpenChecked(CSqliteDb& db, const std::string& path, long long version, const char* table,
                 std::initializer_list<const char*> columns);
// Every row of `table`, when the database passes OpenChecked.
void EmptyTable(const std::string& path, long long version, const char* table);

// The per-site records of Preferences (profile.content_settings.exceptions)
// and the boxes that take a web origin's entries of each, as Chromium's own
// history and "cookies and other site data" clearing do (ChromiumPreferences.cpp).
// Every other record, the user's permissions and choices among them, stays.
enum SiteRecordBoxes : unsigned { kHistoryTakes = 1, kCookiesTakes = 2 };
struct SiteRecord {
  const char* name;
  unsigned boxes;  // 0: one the user made, which every box leaves
};
extern const SiteRecord kSiteRecords[29];
// Takes the web origins' entries of the records `box` takes out of the
// profile's Preferences, rewriting the file only when there are some.
// Secure Preferences is never touched.
void EraseSiteRecords(const std::string& folder, unsigned box);

// The boxes, one profile at a time (ChromiumBoxes.cpp, ChromiumHistory.cpp).
// Cookies means cookies and site data: EraseCookies ends with EraseSiteData,
// what web sites stored (ChromiumSiteData.cpp, ChromiumSiteLevelDbs.cpp).
void EraseCookies(const ChromiumProfile& profile);
void EraseSiteData(const ChromiumProfile& profile);
void EraseSiteLevelDbs(const ChromiumProfile& profile);
void EraseTypedUrls(const ChromiumProfile& profile);
void EraseCache(const ChromiumProfile& profile);
void EraseFavorites(const ChromiumProfile& profile);
void EraseHistory(const ChromiumProfile& profile);
// The stores beside History that Chromium's history clearing empties too
// (ChromiumHistoryStores.cpp).
void EraseHistoryStores(const ChromiumProfile& profile);
// What the whole User Data shares (and Opera's %LOCALAPPDATA% twin of it).
void EraseSharedCaches(const std::string& data);
void EraseSharedHistory(const std::string& data);

}  // namespace chromium
