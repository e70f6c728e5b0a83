// The Internet URL cache walk: the size-query protocol, entry types, and
// deleting entries while a walk is open.
#include <set>

#include "tests/conformance/Conformance.h"

namespace {

class UrlCache : public Conformance {};

TEST_F(UrlCache, CookiesCarryTheCookieBitAndCommittedEntriesDoNot) {
  const std::string stamp = dir_.substr(dir_.size() - 10);
  const std::string page = "http://example" + stamp + ".test/page.html";
  char local[MAX_PATH] = {};
  ASSERT_TRUE(CreateUrlCacheEntryA(page.c_str(), 0, "html", local, 0)) << GetLastError();
  ASSERT_TRUE(WriteAll(local, "<p>")) << local;
  FILETIME zero = {};
  ASSERT_TRUE(CommitUrlCacheEntryA(page.c_str(), local, zero, zero, NORMAL_CACHE_ENTRY, nullptr,
                                   0, nullptr, nullptr))
      << GetLastError();
  ASSERT_TRUE(InternetSetCookieA(("http://cookie" + stamp + ".test/").c_str(), "k",
                                 "v; expires=Sat, 01-Jan-2050 00:00:00 GMT"))
      << GetLastError();

  bool sawPage = false, sawCookie = false;
  for (const CacheEntry& entry : CacheEntries()) {
    if (entry.url == page) {
      sawPage = true;
      EXPECT_FALSE(entry.type & COOKIE_CACHE_ENTRY) << std::hex << entry.type;
    }
    if (entry.url.find("cookie" + stamp) != std::string::npos) {
      sawCookie = true;
      EXPECT_TRUE(entry.type & COOKIE_CACHE_ENTRY) << entry.url << std::hex << entry.type;
    }
  }
  EXPECT_TRUE(sawPage);
  EXPECT_TRUE(sawCookie);
}

TEST_F(UrlCache, DeletingDuringAWalkLeavesTheWalkWhole) {
  const std::string stamp = dir_.substr(dir_.size() - 10);
  std::set<std::string> seeded;
  for (int i = 0; i < 3; ++i) {
    std::string url = "http://walk" + std::to_string(i) + "-" + stamp + ".test/";
    ASSERT_TRUE(InternetSetCookieA(url.c_str(), "k", "v; expires=Sat, 01-Jan-2050 00:00:00 GMT"));
  }
  for (const CacheEntry& entry : CacheEntries(true))
    if (entry.url.find(stamp) != std::string::npos) seeded.insert(entry.url);
  EXPECT_EQ(seeded.size(), 3u) << "each entry is delivered once while deleting";
  for (const CacheEntry& entry : CacheEntries())
    EXPECT_EQ(entry.url.find(stamp), std::string::npos) << entry.url << " survived";
}

TEST_F(UrlCache, DeletingAMissingEntryFails) {
  EXPECT_FALSE(DeleteUrlCacheEntryA("http://never-cached.test/x"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
