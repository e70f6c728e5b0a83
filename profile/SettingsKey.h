// The program's settings key, opened for one Load or Save, with typed values
// that are all stored as REG_SZ text.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

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
  // Decimal text read as atol reads it; out-of-range values saturate.
  LONG ReadLong(const char* name, LONG def);
  void WriteLong(const char* name, LONG value);
  LONGLONG ReadLongLong(const char* name, LONGLONG def);
  void WriteLongLong(const char* name, LONGLONG value);
  // The text, or the default, or none when the default is none.
  std::optional<std::string> ReadString(const char* name, const char* def);
  void WriteString(const char* name, const char* text);

  // The values named `prefix` and a decimal index below `count` ("file0",
  // "FILE12"; not "file-1" or "file07"), in index order. Only the values that
  // exist are looked at, so a count of two billion costs nothing.
  std::vector<std::pair<unsigned long, std::string>> IndexedValues(const char* prefix, LONG count);

 private:
  // RegQueryValueExA into buffer[0..size); the byte count read, or -1.
  long Query(const char* name, char* buffer, DWORD size);
  void Set(const char* name, const std::string& text);

  CRegKey m_key;
};
