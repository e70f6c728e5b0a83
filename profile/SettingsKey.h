// The program's settings key, opened for one Load or Save, with typed values
// that are all stored as REG_SZ text.
#pragma once

#include <optional>
#include <string>

#include "framework/Object.h"
#include "profile/RegKey.h"

class CSettingsKey : public CObject {
 public:
  // forReading: open the existing key with full access; a failure is silent
  // and every read then gives its default. Otherwise create or open the key;
  // a failure shows "Failed saving settings!" (unless !reportFailure) and every
  // write is then skipped, so nothing lands anywhere but in the settings key.
  CSettingsKey(const char* subKey, int forReading, bool reportFailure = true);
  ~CSettingsKey() override = default;

  int ReadFlag(const char* name, int def);
  void WriteFlag(const char* name, int flag);
  LONG ReadLong(const char* name, LONG def);
  void WriteLong(const char* name, LONG value);
  // The text, or the default, or none when the default is none.
  std::optional<std::string> ReadString(const char* name, const char* def);
  void WriteString(const char* name, const char* text);

 private:
  // RegQueryValueExA into buffer[0..size); the byte count read, or -1.
  long Query(const char* name, char* buffer, DWORD size);
  void Set(const char* name, const std::string& text);

  CRegKey m_key;
};
