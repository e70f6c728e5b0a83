// Helpers shared by every test tier, written only against the Win32 calls of
// platform/win32.h: they run on the simulated machine and on the real API.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

bool UnderWine();  // never on the simulated machine
// Wine run as root ignores the Unix permission bits by which it models the
// read-only attribute: such a file can still be opened for writing there.
bool WineAsRoot();

std::string Unique(const char* prefix);        // a name no earlier call in this process gave
std::string ReadAll(const std::string& path);  // through any sharing; "<missing>" if absent
// Creates or truncates the file, writes `contents`, then sets `attributes` if any.
bool WriteAll(const std::string& path, const std::string& contents = "", DWORD attributes = 0);
std::vector<std::string> Listing(const std::string& pattern);  // in order; empty if none
void RemoveTree(const std::string& path);  // clears read-only bits; links removed, not entered

// REG_SZ with its NUL, the key created as needed.
bool SetRegString(HKEY root, const std::string& key, const char* name, const std::string& text);
bool RegKeyExists(HKEY root, const std::string& key);

// The Internet cache walked as the program walks it: a size query, then a
// block of exactly that size; `deleteEach` deletes each entry once delivered.
struct CacheEntry {
  std::string url;
  DWORD type;
};
std::vector<CacheEntry> CacheEntries(bool deleteEach = false);
bool Cached(const std::string& part);  // some entry's URL contains `part`
