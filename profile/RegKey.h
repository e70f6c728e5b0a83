// Owner of at most one open registry key.
#pragma once

#include "platform/win32.h"

class CRegKey {
 public:
  CRegKey() = default;
  ~CRegKey();  // closes the held key; its status is dropped
  CRegKey(const CRegKey&) = delete;
  CRegKey& operator=(const CRegKey&) = delete;

  // On success the key held so far is closed and the new one held; the result
  // is then the status of that close. On failure the held key stays held and
  // the failure status is returned.
  LONG Open(HKEY parent, const char* name, REGSAM access);
  LONG Create(HKEY parent, const char* name);
  // The status of RegCloseKey, or ERROR_SUCCESS when nothing was held.
  LONG Close();

  // Deletes the sub-key `name` of the held key with everything below it,
  // bottom-up. ERROR_SUCCESS, or the first failing status; what was deleted
  // before a failure stays deleted.
  LONG DeleteTree(const char* name);

  HKEY Get() const { return m_hKey; }
  bool IsOpen() const { return m_hKey != nullptr; }

 private:
  LONG Hold(HKEY key);
  HKEY m_hKey = nullptr;
};
