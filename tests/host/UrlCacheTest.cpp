// PurgeUrlCache on the simulated machine's Internet cache.
#include "engine/Primitives.h"
#include "tests/host/SimTest.h"

namespace {

using Urls = Names;

const char kCookie[] = "Cookie:user@example.com/";
const char kPage[] = "http://example.com/index.html";
const char kHistory[] = "Visited: user@http://example.com/";

class UrlCacheTest : public SimTest {
 protected:
  // A cookie bit among others still makes a cookie.
  void AddThree() {
    sim::AddCacheEntry(kPage, NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY | SPARSE_CACHE_ENTRY);
    sim::AddCacheEntry(kCookie, COOKIE_CACHE_ENTRY | NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY);
    sim::AddCacheEntry(kHistory, URLHISTORY_CACHE_ENTRY);
  }
};

struct PurgeCase {
  const char* name;
  int nonCookieEntries;
  Urls left;
};

void PrintTo(const PurgeCase& c, std::ostream* out) { *out << c.name; }

class PurgeTest : public UrlCacheTest, public ::testing::WithParamInterface<PurgeCase> {};

TEST_P(PurgeTest, DeletesOneClassOfEntriesAndKeepsTheOther) {
  AddThree();

  PurgeUrlCache(GetParam().nonCookieEntries);

  EXPECT_EQ(sim::CacheUrls(), GetParam().left);
}

INSTANTIATE_TEST_SUITE_P(Classes, PurgeTest,
                         ::testing::Values(PurgeCase{"cookies", 0, {kPage, kHistory}},
                                           PurgeCase{"the_rest", 1, {kCookie}},
                                           PurgeCase{"the_rest_any_nonzero", -7, {kCookie}}));

TEST_F(UrlCacheTest, AnEmptyCacheMeansNothingToDo) {
  PurgeUrlCache(0);
  PurgeUrlCache(1);

  EXPECT_TRUE(sim::CallsOf("DeleteUrlCacheEntryA").empty());
  EXPECT_TRUE(sim::CallsOf("FindNextUrlCacheEntryA").empty());
  EXPECT_TRUE(sim::CallsOf("FindCloseUrlCache").empty());
}

TEST_F(UrlCacheTest, FetchesEachEntryIntoABlockOfExactlyItsSize) {
  sim::AddCacheEntry("http://a/", NORMAL_CACHE_ENTRY);
  sim::AddCacheEntry("http://a-much-longer-address.example/with/a/path", NORMAL_CACHE_ENTRY);
  sim::AddCacheEntry("Cookie:u@b/", COOKIE_CACHE_ENTRY);

  PurgeUrlCache(1);

  // The size each fetch was offered: 0 to learn the size, then exactly that.
  auto record = [](const char* url) {
    return static_cast<uint64_t>(sizeof(INTERNET_CACHE_ENTRY_INFOA) + std::string(url).size() +
                                 1);
  };
  std::vector<uint64_t> offered;
  for (const sim::Call& call : sim::Calls())
    if (call.name == "FindFirstUrlCacheEntryA" || call.name == "FindNextUrlCacheEntryA")
      offered.push_back(call.size);
  std::vector<uint64_t> expected{0,
                                 record("http://a/"),
                                 0,
                                 record("http://a-much-longer-address.example/with/a/path"),
                                 0,
                                 record("Cookie:u@b/"),
                                 0,
                                 0};
  EXPECT_EQ(offered, expected);
  EXPECT_EQ(sim::CallsOf("FindCloseUrlCache").size(), 1u);
  EXPECT_EQ(sim::CacheUrls(), Urls{"Cookie:u@b/"});
}

// A failed first fetch does nothing; a failed next one ends the walk, which
// is closed.
TEST_F(UrlCacheTest, AFailedFetchEndsTheWalk) {
  for (const char* call : {"FindFirstUrlCacheEntryA", "FindNextUrlCacheEntryA"}) {
    sim::Reset();
    AddThree();
    sim::FailCall(call, ERROR_NOT_ENOUGH_MEMORY);

    PurgeUrlCache(1);

    if (std::string(call) == "FindFirstUrlCacheEntryA") {
      EXPECT_EQ(sim::CacheUrls(), (Urls{kPage, kCookie, kHistory}));
    } else {
      EXPECT_EQ(sim::CacheUrls(), (Urls{kCookie, kHistory}));
      EXPECT_EQ(sim::CallsOf("FindCloseUrlCache").size(), 1u);
    }
  }
}

TEST_F(UrlCacheTest, AnEntryThatCannotBeDeletedStaysAndTheWalkGoesOn) {
  AddThree();
  sim::AddCacheEntry("http://example.com/b.css", NORMAL_CACHE_ENTRY);
  sim::FailCall("DeleteUrlCacheEntryA", ERROR_SHARING_VIOLATION, kPage);

  PurgeUrlCache(1);

  EXPECT_EQ(sim::CacheUrls(), (Urls{kPage, kCookie}));
}

}  // namespace
