// The simulated Internet URL cache and the URL history object.
#include <cstring>

#include "platform/sim/Machine.h"

namespace sim {

namespace {

bool SameGuid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class UrlHistory final : public IUrlHistoryStg2 {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE ClearHistory() override {
    Enter("IUrlHistoryStg2::ClearHistory", "");
    ++M().urlHistoryClears;
    return S_OK;
  }

 private:
  virtual ~UrlHistory() = default;
  ULONG refs_ = 1;
};

DWORD RecordSize(const CacheEntry& entry) {
  return static_cast<DWORD>(sizeof(INTERNET_CACHE_ENTRY_INFOA) + entry.url.size() + 1);
}

// Fills the caller's block with the entry, or tells the size it needs.
BOOL FillRecord(const CacheEntry& entry, LPINTERNET_CACHE_ENTRY_INFOA record, LPDWORD size) {
  DWORD needed = RecordSize(entry);
  if (!record || !size || *size < needed) {
    if (size) *size = needed;
    M().lastError = ERROR_INSUFFICIENT_BUFFER;
    return FALSE;
  }
  std::memset(record, 0, needed);
  char* url = reinterpret_cast<char*>(record + 1);
  std::memcpy(url, entry.url.c_str(), entry.url.size() + 1);
  record->dwStructSize = sizeof(INTERNET_CACHE_ENTRY_INFOA);
  record->lpszSourceUrlName = url;
  record->CacheEntryType = entry.type;
  *size = needed;
  return TRUE;
}

const CacheEntry* EntryFrom(uint64_t id) {
  for (const CacheEntry& entry : M().cache)
    if (entry.id >= id) return &entry;
  return nullptr;
}

}  // namespace

void AddCacheEntry(const std::string& url, DWORD type) {
  Machine& m = M();
  m.cache.push_back(CacheEntry{m.nextCacheId++, url, type});
}

std::vector<std::string> CacheUrls() {
  std::vector<std::string> urls;
  for (const CacheEntry& entry : M().cache) urls.push_back(entry.url);
  return urls;
}

void SetUrlHistoryResult(HRESULT result) { M().urlHistoryResult = result; }
int UrlHistoryClears() { return M().urlHistoryClears; }

}  // namespace sim

using sim::Enter;
using sim::M;

extern "C" {

// The values Windows' uuid library gives them.
const CLSID CLSID_CUrlHistory = {0x3C374A40, 0xBAE4, 0x11CF,
                                 {0xBF, 0x7D, 0x00, 0xAA, 0x00, 0x69, 0x46, 0xEE}};
const IID IID_IUrlHistoryStg2 = {0xAFA0DC11, 0xC313, 0x11D0,
                                 {0x83, 0x1A, 0x00, 0xC0, 0x4F, 0xD5, 0xAE, 0x38}};

// ---- Internet cache --------------------------------------------------------------------
HANDLE WINAPI FindFirstUrlCacheEntryA(LPCSTR lpszUrlSearchPattern,
                                      LPINTERNET_CACHE_ENTRY_INFOA lpFirstCacheEntryInfo,
                                      LPDWORD lpcbCacheEntryInfo) {
  if (Enter("FindFirstUrlCacheEntryA", lpszUrlSearchPattern ? lpszUrlSearchPattern : "",
            lpcbCacheEntryInfo ? *lpcbCacheEntryInfo : 0))
    return nullptr;
  const sim::CacheEntry* entry = sim::EntryFrom(0);
  if (!entry) {
    M().lastError = ERROR_NO_MORE_ITEMS;
    return nullptr;
  }
  if (!sim::FillRecord(*entry, lpFirstCacheEntryInfo, lpcbCacheEntryInfo)) return nullptr;
  HANDLE walk = sim::NewHandle();
  M().cacheWalks[walk] = sim::CacheWalk{entry->id + 1};
  return walk;
}

BOOL WINAPI FindNextUrlCacheEntryA(HANDLE hEnumHandle,
                                   LPINTERNET_CACHE_ENTRY_INFOA lpNextCacheEntryInfo,
                                   LPDWORD lpcbCacheEntryInfo) {
  if (Enter("FindNextUrlCacheEntryA", "", lpcbCacheEntryInfo ? *lpcbCacheEntryInfo : 0))
    return FALSE;
  auto walk = M().cacheWalks.find(hEnumHandle);
  if (walk == M().cacheWalks.end()) {
    M().lastError = ERROR_INVALID_HANDLE;
    return FALSE;
  }
  const sim::CacheEntry* entry = sim::EntryFrom(walk->second.nextId);
  if (!entry) {
    M().lastError = ERROR_NO_MORE_ITEMS;
    return FALSE;
  }
  if (!sim::FillRecord(*entry, lpNextCacheEntryInfo, lpcbCacheEntryInfo)) return FALSE;
  walk->second.nextId = entry->id + 1;
  return TRUE;
}

BOOL WINAPI FindCloseUrlCache(HANDLE hEnumHandle) {
  Enter("FindCloseUrlCache", "");
  if (M().cacheWalks.erase(hEnumHandle)) return TRUE;
  M().lastError = ERROR_INVALID_HANDLE;
  return FALSE;
}

BOOL WINAPI DeleteUrlCacheEntryA(LPCSTR lpszUrlName) {
  std::string url = lpszUrlName ? lpszUrlName : "";
  if (Enter("DeleteUrlCacheEntryA", url)) return FALSE;
  auto& cache = M().cache;
  for (auto entry = cache.begin(); entry != cache.end(); ++entry) {
    if (entry->url == url) {
      cache.erase(entry);
      return TRUE;
    }
  }
  M().lastError = ERROR_FILE_NOT_FOUND;
  return FALSE;
}

BOOL WINAPI InternetSetCookieA(LPCSTR lpszUrl, LPCSTR lpszCookieName, LPCSTR) {
  std::string url = lpszUrl ? lpszUrl : "";
  if (Enter("InternetSetCookieA", url)) return FALSE;
  (void)lpszCookieName;
  // The cache keys a cookie by user, host and path: "Cookie:user@host/path".
  std::string rest = url.substr(url.find("://") == std::string::npos ? 0 : url.find("://") + 3);
  if (rest.find('/') == std::string::npos) rest += "/";
  std::string key = "Cookie:user@" + rest;
  for (const sim::CacheEntry& entry : M().cache)
    if (entry.url == key) return TRUE;
  sim::AddCacheEntry(key, COOKIE_CACHE_ENTRY | NORMAL_CACHE_ENTRY);
  return TRUE;
}

BOOL WINAPI CreateUrlCacheEntryA(LPCSTR lpszUrlName, DWORD, LPCSTR lpszFileExtension,
                                 LPSTR lpszFileName, DWORD) {
  if (Enter("CreateUrlCacheEntryA", lpszUrlName ? lpszUrlName : "")) return FALSE;
  static int serial = 0;
  std::string name = M().specialFolders[CSIDL_INTERNET_CACHE] + "\\entry" +
                     std::to_string(++serial) + "." +
                     (lpszFileExtension ? lpszFileExtension : "dat");
  std::memcpy(lpszFileName, name.c_str(), name.size() + 1);
  return TRUE;
}

BOOL WINAPI CommitUrlCacheEntryA(LPCSTR lpszUrlName, LPCSTR, FILETIME, FILETIME,
                                 DWORD CacheEntryType, LPBYTE, DWORD, LPCSTR, LPCSTR) {
  std::string url = lpszUrlName ? lpszUrlName : "";
  if (Enter("CommitUrlCacheEntryA", url, 0, CacheEntryType)) return FALSE;
  sim::AddCacheEntry(url, CacheEntryType);
  return TRUE;
}

// ---- COM -------------------------------------------------------------------------------
HRESULT WINAPI CoInitializeEx(LPVOID, DWORD) {
  Enter("CoInitializeEx", "");
  return M().comInits++ == 0 ? S_OK : S_FALSE;
}

void WINAPI CoUninitialize(void) {
  Enter("CoUninitialize", "");
  if (M().comInits > 0) --M().comInits;
}

HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN, DWORD dwClsContext, REFIID riid,
                                LPVOID* ppv) {
  *ppv = nullptr;
  DWORD injected = sim::EnterStatus("CoCreateInstance", "", 0, dwClsContext);
  if (injected != ERROR_SUCCESS) return static_cast<HRESULT>(injected);
  if (M().comInits == 0) return CO_E_NOTINITIALIZED;
  if (!sim::SameGuid(rclsid, CLSID_CUrlHistory)) return REGDB_E_CLASSNOTREG;
  if (!sim::SameGuid(riid, IID_IUrlHistoryStg2)) return E_NOINTERFACE;
  if (FAILED(M().urlHistoryResult)) return M().urlHistoryResult;
  *ppv = static_cast<IUrlHistoryStg2*>(new sim::UrlHistory());
  return S_OK;
}

}  // extern "C"
