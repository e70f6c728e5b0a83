// Whose stored data is whose. The Cookies box erases what web sites stored
// (http, https and file origins) and keeps what the browser's own pages
// (chrome://, edge://, about:...), extensions (chrome-extension://,
// moz-extension://) and installed apps stored. A site's data stored as a
// third party on another site (partitioned storage) is both sites' trace: it
// goes when either of them is a web site. Each browser names an origin in a
// few forms, one function each.
#pragma once

#include <string_view>

// "http", "https" or "file" (exactly, as the browsers write them).
bool IsWebScheme(std::string_view scheme);

// A serialized origin or Chromium storage key: "https://a.com",
// "https://a.com/", or "https://a.com/^0https://b.com" (a.com's data inside
// b.com's pages; the other ^-parts carry nonces and flags).
bool IsWebStorageKey(std::string_view key);

// Chromium's origin in a file or folder name: "https_a.com_0".
bool IsWebOriginId(std::string_view id);

// Firefox's origin-attributes suffix ("^userContextId=1&partitionKey=...",
// with or without the "^"): true when its partitionKey names a web site.
bool HasWebPartitionKey(std::string_view suffix);

// Firefox's storage folder of an origin: "https+++a.com+8080", with an
// origin-attributes suffix after "^".
bool IsWebOriginFolder(std::string_view name);

// Firefox's localStorage origin key, the host reversed: "moc.a.:https:443".
bool IsWebReversedOriginKey(std::string_view key);

class CSqliteDb;
// The tests above as SQL functions of the connection: web_scheme(),
// web_key(), web_id(), web_partition() and web_reversed_key().
int AddSiteTests(CSqliteDb& db);
