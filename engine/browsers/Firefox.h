// What Firefox's steps share: a profile and the erasers each file defines.
// What each box erases is listed in docs/browsers.md.
#pragma once

#include <string>

#include "engine/browsers/TodayBrowsers.h"

namespace firefox {

struct FirefoxProfile {
  std::string folder;
  std::string cache;  // "" when it has no cache folder
};

// permissions.sqlite's PRAGMA user_version as Firefox 153 ESR writes it.
constexpr int kPermissionsVersion = 13;

// Opens a database of the profile whose PRAGMA user_version is no newer than
// `version`.
bool OpenVersioned(CSqliteDb& db, const std::string& path, int version);

// The boxes, one profile at a time (FirefoxProfiles.cpp, FirefoxPlaces.cpp).
// Cookies means cookies and site data: EraseCookies ends with EraseSiteData,
// what web sites stored (FirefoxSiteData.cpp).
void EraseCookies(const FirefoxProfile& profile);
void EraseSiteData(const FirefoxProfile& profile);
void EraseTypedUrls(const FirefoxProfile& profile);
void EraseCache(const FirefoxProfile& profile);
void EraseFavorites(const FirefoxProfile& profile);
void EraseHistory(const FirefoxProfile& profile);

}  // namespace firefox
