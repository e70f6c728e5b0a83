// The Chromium family's site data kept outside LevelDB, which the Cookies
// box erases with the cookies, as Chromium's own "Cookies and other site
// data" does, for every web origin (SiteOrigins.h): IndexedDB folders, Cache
// API folders, storage buckets and their quota rows, Web SQL databases, Shared
// Storage, Private State (Trust) Tokens, and Reporting and NEL. What the
// browser's own pages and extensions stored stays. The LevelDB stores are in
// ChromiumSiteLevelDbs.cpp.
#include <vector>

#include "engine/EraseNames.h"
#include "engine/Handles.h"
#include "engine/Primitives.h"
#include "engine/browsers/Chromium.h"
#include "engine/stores/ProtoFields.h"
#include "engine/browsers/SiteOrigins.h"
#include "third_party/sqlite/sqlite3.h"

namespace chromium {
namespace {

// meta.last_compatible_version as Chromium 156 writes them (Shared Storage:
// as its own schema history has it; no profile here has one).
constexpr long long kQuotaVersion = 11, kTrustTokensVersion = 2, kReportingVersion = 2,
                    kSharedStorageVersion = 6;

// The sub-folders of `folder` whose names, less one of `endings` (when any
// are given), pass `test`. Links are passed over.
std::vector<std::string> WebFolders(const std::string& folder, bool (*test)(std::string_view),
                                    std::initializer_list<std::string_view> endings) {
  std::vector<std::string> found;
  WIN32_FIND_DATAA record;
  CFindHandle find(FindFirstFileA((folder + "\\*.*").c_str(), &record));
  if (!find.IsValid()) return found;
  do {
    DWORD attributes = record.dwFileAttributes;
    std::string_view name = record.cFileName;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        IsDotEntry(record.cFileName))
      continue;
    bool ended = endings.size() == 0;
    for (std::string_view ending : endings)
      if (!ended && name.size() > ending.size() &&
          name.substr(name.size() - ending.size()) == ending) {
        name.remove_suffix(ending.size());
        ended = true;
      }
    if (ended && test(name)) found.push_back(ChildPath(folder, record.cFileName));
  } while (FindNextFileA(find.Get(), &record));
  return found;
}

void RemoveWebFolders(const std::string& base, const char* relative, bool (*test)(std::string_view),
                      std::initializer_list<std::string_view> endings = {}) {
  if (!IsPlainFolder(base, relative)) return;
  for (const std::string& folder : WebFolders(ChildPath(base, relative), test, endings))
    RemoveWholeFolder(folder);
}

// A Cache API folder (one per storage key) names its owner only in its
// index.txt, a CacheStorageIndex message: field 2 the origin, field 3 the
// storage key. A folder whose index cannot be read is left as it is.
bool IsWebCacheFolder(const std::string& folder) {
  std::string index;
  if (!IsPlainFile(folder + "\\index.txt") || !ReadWholeFile(folder + "\\index.txt", index))
    return false;
  bool web = false;
  bool parsed = ForEachProtoField(index, [&](const ProtoField& field) {
    if (field.wireType == 2 && (field.number == 2 || field.number == 3))
      web = web || IsWebStorageKey(field.bytes);
  });
  return parsed && web;
}

void EraseCacheStorage(const std::string& profile) {
  if (!IsPlainFolder(profile, "Service Worker\\CacheStorage")) return;
  std::string storage = profile + "\\Service Worker\\CacheStorage";
  for (const std::string& folder : WebFolders(storage, [](std::string_view) { return true; }, {}))
    if (IsWebCacheFolder(folder)) RemoveWholeFolder(folder);
}

void EraseRows(const std::string& path, long long version, const char* table,
               std::initializer_list<RowFilter> filters) {
  CSqliteDb db;
  if (OpenChecked(db, path, version, table, {}) && AddSiteTests(db) == SQLITE_OK)
    DeleteRows(db, filters);
}

// Storage buckets: a web key's bucket folder (WebStorage\<id>, which holds
// its IndexedDB, Cache API and file system), then its quota row. A bucket
// whose folder stays keeps its row, so that the browser still knows it.
void EraseBuckets(const std::string& profile) {
  if (!IsPlainFolder(profile, "WebStorage")) return;
  std::string storage = profile + "\\WebStorage";
  CSqliteDb db;
  CSqliteStatement web;
  if (!OpenChecked(db, storage + "\\QuotaManager", kQuotaVersion, "buckets",
                   {"id", "storage_key"}) ||
      AddSiteTests(db) != SQLITE_OK ||
      web.Prepare(db.Get(), "SELECT id FROM buckets WHERE web_key(storage_key)") != SQLITE_OK)
    return;
  std::string gone = "-1";
  while (web.Step() == SQLITE_ROW) {
    std::string id = std::to_string(web.Int(0));
    if (RemoveWholeFolder(ChildPath(storage, id.c_str()))) gone += "," + id;
  }
  std::string where = "id IN (" + gone + ")";
  DeleteRows(db, {{"buckets", {"id"}, where.c_str()}});
}

// Web SQL (gone from Chromium 119, still in older profiles): Databases.db
// lists each database under its origin's file name, the folder it lies in.
void EraseWebSql(const std::string& profile) {
  if (!IsPlainFolder(profile, "databases")) return;
  RemoveWebFolders(profile, "databases", IsWebOriginId);
  EraseRows(profile + "\\databases\\Databases.db", kAnyVersion, "Databases",
            {{"Databases", {"origin"}, "web_id(origin)"}});
}

// Files the network service keeps in Network\ (in the profile itself before
// Chromium 96, and on Linux).
void EraseNetworkRows(const std::string& folder) {
  EraseRows(folder + "\\Trust Tokens", kTrustTokensVersion, "trust_tokens_issuer_config",
            {{"trust_tokens_issuer_config", {"key"}, "web_key(key)"},
             {"trust_tokens_toplevel_config", {"key"}, "web_key(key)"},
             {"trust_tokens_issuer_toplevel_pair_config", {"key"}, "web_key(key)"}});
  EraseRows(folder + "\\Reporting and NEL", kReportingVersion, "nel_policies",
            {{"nel_policies", {"origin_scheme"}, "web_scheme(origin_scheme)"},
             {"reporting_endpoints", {"origin_scheme"}, "web_scheme(origin_scheme)"},
             {"reporting_endpoint_groups", {"origin_scheme"}, "web_scheme(origin_scheme)"}});
}

}  // namespace

void EraseSiteData(const ChromiumProfile& profile) {
  const std::string& folder = profile.folder;
  EraseSiteLevelDbs(profile);
  RemoveWebFolders(folder, "IndexedDB", IsWebOriginId, {".indexeddb.leveldb", ".indexeddb.blob"});
  EraseCacheStorage(folder);
  EraseWebSql(folder);
  EraseRows(folder + "\\SharedStorage", kSharedStorageVersion, "per_origin_mapping",
            {{"values_mapping", {"context_origin"}, "web_key(context_origin)"},
             {"per_origin_mapping", {"context_origin"}, "web_key(context_origin)"},
             {"budget_mapping", {"context_site"}, "web_key(context_site)"},
             {"budget_mapping", {"context_origin"}, "web_key(context_origin)"}});
  if (IsPlainFolder(folder, "Network")) EraseNetworkRows(folder + "\\Network");
  EraseNetworkRows(folder);
  // Last: a bucket's row goes only once its data is gone.
  EraseBuckets(folder);
}

}  // namespace chromium
