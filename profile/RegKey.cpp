#include "profile/RegKey.h"

CRegKey::~CRegKey() {
  // Clean-up never disturbs the error a caller may be about to read.
  DWORD saved = GetLastError();
  Close();
  SetLastError(saved);
}

LONG CRegKey::Close() {
  if (!m_hKey) return ERROR_SUCCESS;
  LONG status = RegCloseKey(m_hKey);
  m_hKey = nullptr;
  return status;
}

LONG CRegKey::Hold(HKEY key) {
  LONG status = Close();
  m_hKey = key;
  return status;
}

LONG CRegKey::Open(HKEY parent, const char* name, REGSAM access) {
  HKEY key = nullptr;
  LONG status = RegOpenKeyExA(parent, name, 0, access, &key);
  if (status != ERROR_SUCCESS) return status;
  return Hold(key);
}

LONG CRegKey::Create(HKEY parent, const char* name) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  LONG status = RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                nullptr, &key, &disposition);
  if (status != ERROR_SUCCESS) return status;
  return Hold(key);
}

LONG CRegKey::DeleteTree(const char* name) {
  CRegKey child;
  LONG status = child.Open(m_hKey, name, KEY_READ | KEY_WRITE);
  if (status != ERROR_SUCCESS) return status;

  // Always index 0: each deletion moves the next sub-key there.
  char subName[256];
  DWORD size = sizeof subName;
  FILETIME written;
  while (RegEnumKeyExA(child.Get(), 0, subName, &size, nullptr, nullptr, nullptr, &written) ==
         ERROR_SUCCESS) {
    status = child.DeleteTree(subName);
    if (status != ERROR_SUCCESS) return status;
    size = sizeof subName;
  }
  child.Close();
  return RegDeleteKeyA(m_hKey, name);
}
