// Helpers of the tests, written only against Win32 calls.
#pragma once

#include <string>

#include "platform/win32.h"

bool UnderWine();
// Wine run as root ignores the Unix permission bits by which it models the
// read-only attribute: such a file can still be opened for writing there.
bool WineAsRoot();

std::string Unique(const char* prefix);  // a name no earlier call in this run gave
bool Exists(const std::string& path);
std::string ReadAll(const std::string& path);  // "<missing>" if it cannot be read
// Creates the folders above it and the file with `contents`, then sets
// `attributes` if any.
bool WriteAll(const std::string& path, const std::string& contents = "", DWORD attributes = 0);
void RemoveTree(const std::string& path);  // links removed, never entered

// REG_SZ with its NUL, the key created as needed; `view` may add KEY_WOW64_32KEY.
bool SetRegString(HKEY root, const std::string& key, const char* name, const std::string& text,
                  REGSAM view = 0);
