// PurgeUrlCache on the real WinINet cache, seeded with a persistent cookie
// (InternetSetCookieA) and content entries (CreateUrlCacheEntryA and
// CommitUrlCacheEntryA).
//
// Observed under Wine 8: a cookie set with an expiry date becomes a cache
// entry "Cookie:<user>@<host>/" of type COOKIE_CACHE_ENTRY, and a walk
// without a pattern delivers the cookie and the content entries alike; a
// session cookie (no expiry) never reaches the cache.
#include <gtest/gtest.h>

#include <string>

#include "engine/Primitives.h"
#include "tests/support/Win32Test.h"

namespace {

class PrimitivesCache : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = Unique("tw") + ".example";
    for (int i = 0; i < 4; ++i) {
      std::string url = "http://" + host_ + "/page" + std::to_string(i) + ".htm";
      char file[MAX_PATH] = {};
      ASSERT_TRUE(CreateUrlCacheEntryA(url.c_str(), 0, "htm", file, 0)) << GetLastError();
      ASSERT_TRUE(WriteAll(file, "<html></html>")) << file;
      FILETIME never = {0, 0};
      ASSERT_TRUE(CommitUrlCacheEntryA(url.c_str(), file, never, never, NORMAL_CACHE_ENTRY, nullptr,
                                       0, "htm", nullptr))
          << GetLastError();
    }
    ASSERT_TRUE(InternetSetCookieA(("http://" + host_ + "/").c_str(), "id",
                                   "42; expires=Sat, 01-Jan-2050 00:00:00 GMT"))
        << GetLastError();
    ASSERT_EQ(PagesLeft(), 4);
    ASSERT_TRUE(CookieLeft());
  }

  // Our entries still in the cache: the pages, and the cookie by its host.
  int PagesLeft() {
    int left = 0;
    for (const CacheEntry& entry : CacheEntries())
      left += entry.url.compare(0, 7 + host_.size(), "http://" + host_) == 0;
    return left;
  }
  bool CookieLeft() { return Cached("@" + host_); }  // "Cookie:<user>@<host>/"

  std::string host_;
};

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
