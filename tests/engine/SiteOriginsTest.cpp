// Whose stored data is whose, in each form the browsers write an origin:
// what a web site stored goes with the Cookies box, what the browser's own
// pages and extensions stored stays, and partitioned data goes when either
// of its two sites is a web site.
#include "engine/browsers/SiteOrigins.h"
#include "tests/support/Win32Test.h"

namespace {

struct Case {
  bool (*test)(std::string_view);
  const char* text;
  bool web;
};
void PrintTo(const Case& c, std::ostream* out) { *out << c.text; }

class SiteOrigins : public ::testing::TestWithParam<Case> {};

TEST_P(SiteOrigins, WebSitesDataGoesTheBrowsersAndExtensionsStays) {
  EXPECT_EQ(GetParam().test(GetParam().text), GetParam().web);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, SiteOrigins,
    ::testing::Values(
        Case{IsWebStorageKey, "http://127.0.0.2:38527", true},
        Case{IsWebStorageKey, "file://", true},
        Case{IsWebStorageKey, "https://a.com/^1123^2456", true},
        Case{IsWebStorageKey, "chrome-extension://abc/^0https://b.com", true},
        Case{IsWebStorageKey, "chrome-extension://abc/^31", false},
        Case{IsWebStorageKey, "chrome://settings/", false},
        Case{IsWebStorageKey, "httpx://a.com", false}, Case{IsWebOriginId, "https_a.com_0", true},
        Case{IsWebOriginId, "chrome-extension_abc_0", false},
        Case{IsWebOriginFolder, "http+++127.0.0.2+38528", true},
        Case{IsWebOriginFolder, "https+++a.com^userContextId=2", true},
        Case{IsWebOriginFolder, "moz-extension+++7d5e^userContextId=4294967295", false},
        Case{IsWebOriginFolder, "moz-extension+++7d5e^partitionKey=%28https%2Ca.com%29", true},
        Case{IsWebOriginFolder, "indexeddb+++fx-devtools", false},
        Case{IsWebReversedOriginKey, "2.0.0.721.:http:38528", true},
        Case{IsWebReversedOriginKey, "moc.a.:https", true},
        Case{IsWebReversedOriginKey, "]1::[.:https:443", true},
        Case{IsWebReversedOriginKey, "7d5e.:moz-extension", false}));

}  // namespace
