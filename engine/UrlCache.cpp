#include <memory>

#include "engine/Handles.h"
#include "engine/Primitives.h"
#include "engine/Stop.h"

namespace {

// Each entry gets a block exactly as large as the cache says it needs, and
// the previous block is freed first: one record in memory at a time, however
// many entries the cache holds.
using CRecordBlock = std::unique_ptr<BYTE[]>;

INTERNET_CACHE_ENTRY_INFOA* Record(const CRecordBlock& block) {
  return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(block.get());
}

}  // namespace

void PurgeUrlCache(int nonCookieEntries) {
  DWORD size = 0;
  FindFirstUrlCacheEntryA(nullptr, nullptr, &size);  // fails, telling the size
  CRecordBlock block(new BYTE[size]);
  CUrlCacheFind walk(FindFirstUrlCacheEntryA(nullptr, Record(block), &size));
  if (!walk.IsValid()) return;  // an empty cache, or the walk could not start
  while (!StopRequested()) {
    // Only the cookie bit counts: entries of every other type are non-cookie.
    const INTERNET_CACHE_ENTRY_INFOA* entry = Record(block);
    bool cookie = (entry->CacheEntryType & COOKIE_CACHE_ENTRY) != 0;
    if (nonCookieEntries ? !cookie : cookie) DeleteUrlCacheEntry(entry->lpszSourceUrlName);

    size = 0;
    FindNextUrlCacheEntryA(walk.Get(), nullptr, &size);
    block.reset();
    block.reset(new BYTE[size]);
    // A failed fetch (the end, or an entry that changed size meanwhile) ends
    // the walk; nothing is retried.
    if (!FindNextUrlCacheEntryA(walk.Get(), Record(block), &size)) break;
  }
}
