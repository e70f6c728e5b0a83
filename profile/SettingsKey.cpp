#include "profile/SettingsKey.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/WinApp.h"

namespace {

// The index of a value name of the form prefix + decimal digits, compared
// without regard to case as the registry compares names; -1 for any other
// name, and for an index that could not be below a 32-bit count.
long long IndexOf(const char* name, const char* prefix) {
  size_t length = std::strlen(prefix);
  if (strncasecmp(name, prefix, length) != 0) return -1;
  const char* digits = name + length;
  size_t count = std::strlen(digits);
  if (count == 0 || count > 10 || (digits[0] == '0' && count > 1)) return -1;
  if (std::strspn(digits, "0123456789") != count) return -1;
  return std::atoll(digits);
}

}  // namespace

CSettingsKey::CSettingsKey(const char* subKey, int forReading, bool reportFailure) {
  if (forReading) {
    m_key.Open(HKEY_CURRENT_USER, subKey, KEY_ALL_ACCESS);
    return;
  }
  // The key starts out holding nothing, so after a failed create every write
  // of this save is skipped instead of landing somewhere else.
  if (m_key.Create(HKEY_CURRENT_USER, subKey) != ERROR_SUCCESS && reportFailure)
    AfxMessageBox("Failed saving settings!", MB_OK, 0);
}

long CSettingsKey::Query(const char* name, char* buffer, DWORD size) {
  if (!m_key.IsOpen()) return -1;
  DWORD type = 0;
  DWORD got = size;
  if (RegQueryValueExA(m_key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &got) !=
      ERROR_SUCCESS)
    return -1;
  return static_cast<long>(got);
}

void CSettingsKey::Set(const char* name, const std::string& text) {
  if (!m_key.IsOpen()) return;
  RegSetValueExA(m_key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
}

int CSettingsKey::ReadFlag(const char* name, int def) {
  char data[2] = {};
  long got = Query(name, data, sizeof data);
  if (got < 0) return def;
  // A value with no data bytes at all holds no '1'.
  return got > 0 && data[0] == '1' ? 1 : 0;
}

void CSettingsKey::WriteFlag(const char* name, int flag) { Set(name, flag ? "1" : "0"); }

LONGLONG CSettingsKey::ReadLongLong(const char* name, LONGLONG def) {
  char data[20] = {};
  if (Query(name, data, 19) < 0) return def;
  // atol's rules: leading blanks, a sign, the digits up to the first other
  // character; out-of-range values saturate as the Windows runtime's do.
  return std::strtoll(data, nullptr, 10);
}

LONG CSettingsKey::ReadLong(const char* name, LONG def) {
  LONGLONG value = ReadLongLong(name, def);
  return static_cast<LONG>(std::clamp<LONGLONG>(value, INT32_MIN, INT32_MAX));
}

void CSettingsKey::WriteLongLong(const char* name, LONGLONG value) {
  char text[24];
  std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
  Set(name, text);
}

void CSettingsKey::WriteLong(const char* name, LONG value) { WriteLongLong(name, value); }

std::optional<std::string> CSettingsKey::ReadString(const char* name, const char* def) {
  char data[1024] = {};
  long got = Query(name, data, 1023);
  if (got < 0) return def ? std::optional<std::string>(def) : std::nullopt;
  return std::string(data, strnlen(data, static_cast<size_t>(got)));
}

void CSettingsKey::WriteString(const char* name, const char* text) { Set(name, text); }

std::vector<std::pair<unsigned long, std::string>> CSettingsKey::IndexedValues(const char* prefix,
                                                                               LONG count) {
  std::vector<std::pair<unsigned long, std::string>> found;
  if (!m_key.IsOpen() || count <= 0) return found;
  // Names longer than the buffer (ERROR_MORE_DATA) cannot be ours; the
  // enumeration goes on past them.
  char name[32];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    LONG status = RegEnumValueA(m_key.Get(), i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) break;
    long long index = IndexOf(name, prefix);
    if (index >= 0 && index < count) found.emplace_back(static_cast<unsigned long>(index), name);
  }
  std::sort(found.begin(), found.end());
  return found;
}
