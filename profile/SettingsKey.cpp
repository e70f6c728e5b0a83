#include "profile/SettingsKey.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/WinApp.h"

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
  if (RegQueryValueExA(m_key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                       &got) != ERROR_SUCCESS)
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

LONG CSettingsKey::ReadLong(const char* name, LONG def) {
  char data[20] = {};
  if (Query(name, data, 19) < 0) return def;
  // atol's rules: leading blanks, a sign, the digits up to the first other
  // character; out-of-range values saturate as the Windows runtime's do.
  errno = 0;
  long value = std::strtol(data, nullptr, 10);
  if (value > INT32_MAX || (errno == ERANGE && value > 0)) return INT32_MAX;
  if (value < INT32_MIN || (errno == ERANGE && value < 0)) return INT32_MIN;
  return static_cast<LONG>(value);
}

void CSettingsKey::WriteLong(const char* name, LONG value) {
  char text[24];
  std::snprintf(text, sizeof text, "%ld", static_cast<long>(value));
  Set(name, text);
}

std::optional<std::string> CSettingsKey::ReadString(const char* name, const char* def) {
  char data[1024] = {};
  long got = Query(name, data, 1023);
  if (got < 0) return def ? std::optional<std::string>(def) : std::nullopt;
  return std::string(data, strnlen(data, static_cast<size_t>(got)));
}

void CSettingsKey::WriteString(const char* name, const char* text) { Set(name, text); }
