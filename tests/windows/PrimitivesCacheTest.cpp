// PurgeUrlCache on the real WinINet cache, seeded with a persistent cookie
// (InternetSetCookieA) and content entries (CreateUrlCacheEntryA and
// CommitUrlCacheEntryA).
//
// Observed under Wine 8: a cookie set with an expiry date becomes a cache
// entry "Cookie:<user>@<host>/" of type COOKIE_CACHE_ENTRY, and a walk
// without a pattern delivers the cookie and the content entries alike; a
// session cookie (no expiry) never reaches the cache.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "engine/Primitives.h"
#include "tests/windows/PrimitivesFixture.h"

namespace {

// Every URL the cache delivers to a walk without a pattern.
std::set<std::string> CacheUrls() {
  std::set<std::string> urls;
  DWORD size = 0;
  FindFirstUrlCacheEntryA(nullptr, nullptr, &size);
  std::unique_ptr<BYTE[]> block(new BYTE[size + 1]);
  auto* record = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(block.get());
  HANDLE walk = FindFirstUrlCacheEntryA(nullptr, record, &size);
  if (!walk) return urls;
  for (;;) {
    urls.insert(record->lpszSourceUrlName);
    size = 0;
    FindNextUrlCacheEntryA(walk, nullptr, &size);
    block.reset(new BYTE[size + 1]);
    record = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(block.get());
    if (!FindNextUrlCacheEntryA(walk, record, &size)) break;
  }
  FindCloseUrlCache(walk);
  return urls;
}

class PrimitivesCache : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = Unique("tw") + ".example";
    for (int i = 0; i < 4; ++i) AddPage("http://" + host_ + "/page" + std::to_string(i) + ".htm");
    ASSERT_TRUE(InternetSetCookieA(("http://" + host_ + "/").c_str(), "id",
                                   "42; expires=Sat, 01-Jan-2050 00:00:00 GMT"))
        << GetLastError();
  }

  void AddPage(const std::string& url) {
    char file[MAX_PATH] = {};
    ASSERT_TRUE(CreateUrlCacheEntryA(url.c_str(), 0, "htm", file, 0)) << GetLastError();
    HANDLE handle = CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << file;
    DWORD written = 0;
    WriteFile(handle, "<html></html>", 13, &written, nullptr);
    CloseHandle(handle);
    FILETIME never = {0, 0};
    ASSERT_TRUE(CommitUrlCacheEntryA(url.c_str(), file, never, never, NORMAL_CACHE_ENTRY,
                                     nullptr, 0, "htm", nullptr))
        << GetLastError();
    pages_.insert(url);
  }

  // Our entries still in the cache: the pages, and the cookie by its host.
  int PagesLeft() {
    int left = 0;
    std::set<std::string> urls = CacheUrls();
    for (const std::string& page : pages_) left += urls.count(page) ? 1 : 0;
    return left;
  }
  bool CookieLeft() {
    for (const std::string& url : CacheUrls())
      if (url.compare(0, 7, "Cookie:") == 0 && url.find("@" + host_) != std::string::npos)
        return true;
    return false;
  }

  std::string host_;
  std::set<std::string> pages_;
};

TEST_F(PrimitivesCache, SeedingReachesTheCache) {
  EXPECT_EQ(PagesLeft(), 4);
  EXPECT_TRUE(CookieLeft());
}

TEST_F(PrimitivesCache, CookiesOnlyThenEverythingElse) {
  PurgeUrlCache(0);

  EXPECT_FALSE(CookieLeft());
  EXPECT_EQ(PagesLeft(), 4);

  PurgeUrlCache(1);

  EXPECT_EQ(PagesLeft(), 0);
}

TEST_F(PrimitivesCache, EverythingElseLeavesTheCookie) {
  PurgeUrlCache(1);

  EXPECT_EQ(PagesLeft(), 0) << "deleting while walking must not skip entries";
  EXPECT_TRUE(CookieLeft());

  PurgeUrlCache(0);

  EXPECT_FALSE(CookieLeft());
}

}  // namespace
