// Whose stored data is whose, in each form the browsers write an origin:
// what a web site stored goes with the Cookies box, what the browser's own
// pages and extensions stored stays, and partitioned data goes when either
// of its two sites is a web site.
#include "engine/browsers/SiteOrigins.h"
#include "tests/support/Win32Test.h"

namespace {

TEST(SiteOrigins, WebSitesDataGoesTheBrowsersAndExtensionsStays) {
  const struct {
    bool (*test)(std::string_view);
    std::vector<const char*> web, other;
  } rows[] = {{IsWebStorageKey,
               {"http://127.0.0.2:38527", "file://", "https://a.com/^1123^2456",
                "chrome-extension://abc/^0https://b.com"},
               {"chrome-extension://abc/^31", "chrome://settings/", "httpx://a.com"}},
              {IsWebOriginId, {"https_a.com_0"}, {"chrome-extension_abc_0"}},
              {IsWebOriginFolder,
               {"http+++127.0.0.2+38528", "https+++a.com^userContextId=2",
                "moz-extension+++7d5e^partitionKey=%28https%2Ca.com%29"},
               {"moz-extension+++7d5e^userContextId=4294967295", "indexeddb+++fx-devtools"}},
              {IsWebReversedOriginKey,
               {"2.0.0.721.:http:38528", "moc.a.:https", "]1::[.:https:443"},
               {"7d5e.:moz-extension"}}};
  for (const auto& row : rows) {
    for (const char* text : row.web) EXPECT_TRUE(row.test(text)) << text;
    for (const char* text : row.other) EXPECT_FALSE(row.test(text)) << text;
  }
}

}  // namespace
