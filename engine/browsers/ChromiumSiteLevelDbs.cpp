// The Chromium family's site data kept in LevelDB, erased entry by entry for
// every web origin by the Cookies box (each database rebuilt without them,
// LevelDb.h): Local Storage, Session Storage, service worker registrations
// with their scripts, file systems, and persistent origin trials. The key
// formats are Chromium's own; an entry of a form not listed here stays.
#include <set>
#include <string_view>
#include <vector>

#include "engine/EraseNames.h"
#include "engine/Handles.h"
#include "engine/Primitives.h"
#include "engine/browsers/Chromium.h"
#include "engine/stores/LevelDb.h"
#include "engine/stores/ProtoFields.h"
#include "engine/browsers/SiteOrigins.h"

namespace chromium {
namespace {

using Ids = std::set<std::string, std::less<>>;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The part of `key` after `prefix` and before the first `stop` ("" when the
// key does not start so; the rest when there is no `stop`).
std::string_view Between(std::string_view key, std::string_view prefix, char stop = '\0') {
  if (!StartsWith(key, prefix)) return {};
  key.remove_prefix(prefix.size());
  return key.substr(0, key.find(stop));
}

// The part after the first `stop`, or "" when there is none.
std::string_view After(std::string_view key, char stop = '\0') {
  size_t at = key.find(stop);
  return at == std::string_view::npos ? std::string_view() : key.substr(at + 1);
}

// Opens the LevelDB at profile\relative when it is a plain folder.
bool OpenStore(CLevelDbRebuild& db, const std::string& profile, const char* relative) {
  return IsPlainFolder(profile, relative) && db.Open();
}

// localStorage: "META:<key>", "METAACCESS:<key>" and "_<key>\0<name>", where
// <key> is the storage key ("VERSION" and anything else stays).
bool IsWebLocalStorageEntry(std::string_view key, std::string_view) {
  for (std::string_view prefix : {"META:", "METAACCESS:"})
    if (StartsWith(key, prefix)) return IsWebStorageKey(key.substr(prefix.size()));
  return StartsWith(key, "_") && key.find('\0') != std::string_view::npos &&
         IsWebStorageKey(Between(key, "_"));
}

// sessionStorage: "namespace-<36-character id>-<storage key>" names the
// map that holds its values ("map-<number>-<name>", values in UTF-16). A map
// that a kept namespace also names (a tab cloned from another) stays.
std::string_view NamespaceKey(std::string_view key) {
  if (!StartsWith(key, "namespace-") || key.size() < 10 + 37 || key[10 + 36] != '-') return {};
  return key.substr(10 + 37);
}

void EraseSessionStorage(const std::string& profile) {
  CLevelDbRebuild db(profile + "\\Session Storage");
  if (!OpenStore(db, profile, "Session Storage")) return;
  Ids webMaps, keptMaps;
  if (!db.ForEach([&](std::string_view key, std::string_view value) {
        std::string_view owner = NamespaceKey(key);
        if (!owner.empty()) (IsWebStorageKey(owner) ? webMaps : keptMaps).emplace(value);
      }))
    return;
  for (const std::string& map : keptMaps) webMaps.erase(map);
  db.Rebuild([&](std::string_view key, std::string_view) {
    std::string_view owner = NamespaceKey(key);
    if (!owner.empty()) return IsWebStorageKey(owner);
    return StartsWith(key, "map-") && key.find('-', 4) != std::string_view::npos &&
           webMaps.count(Between(key, "map-", '-')) != 0;
  });
}

// The script cache is a simple disk cache keyed by resource id: each entry's
// "<hash>_0" file starts with a 24-byte header (magic, version, key length,
// key hash, padding) and then the key. Its other streams are "<hash>_1" and
// "<hash>_s".
void EraseScripts(const std::string& profile, const Ids& resources) {
  if (resources.empty() || !IsPlainFolder(profile, "Service Worker\\ScriptCache")) return;
  std::string cache = profile + "\\Service Worker\\ScriptCache";
  std::vector<std::string> entries;
  WIN32_FIND_DATAA record;
  CFindHandle find(FindFirstFileA((cache + "\\*_0").c_str(), &record));
  if (!find.IsValid()) return;
  do {
    std::string path = ChildPath(cache, record.cFileName);
    CFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    char header[24 + 32] = {};
    DWORD read = 0;
    if (!file.IsValid() || (record.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !ReadFile(file.Get(), header, sizeof header, &read, nullptr) || read < 24)
      continue;
    uint32_t length = 0;
    memcpy(&length, header + 12, sizeof length);
    if (length == 0 || 24 + length > read) continue;
    if (resources.count(std::string_view(header + 24, length)))
      entries.push_back(path.substr(0, path.size() - 2));
  } while (FindNextFileA(find.Get(), &record));
  find.Reset();
  for (const std::string& entry : entries)
    for (const char* stream : {"_0", "_1", "_s"}) DeleteNamedFile(entry + stream);
}

// Service workers: "REG:<storage key>\0<registration id>" holds the
// registration (field 4 of its value is the version id);
// "REGID_TO_ORIGIN:<registration id>", "REG_USER_DATA:<registration id>\0...",
// "REG_HAS_USER_DATA:<name>\0<registration id>" and
// "INITDATA_UNIQUE_ORIGIN:<storage key>" go with it; "RES:<version id>\0<resource
// id>" lists the version's scripts in the script cache. Uncommitted and
// purgeable resources ("URES:", "PRES:") go too, as the browser itself purges
// them at its next start: nothing says whose they were. In key order "PRES:"
// comes before "REG", and "REG:" before "RES:", so one pass finds it all.
void EraseServiceWorkers(const std::string& profile) {
  CLevelDbRebuild db(profile + "\\Service Worker\\Database");
  if (!OpenStore(db, profile, "Service Worker\\Database")) return;
  Ids registrations, versions, resources;
  if (!db.ForEach([&](std::string_view key, std::string_view value) {
        if (StartsWith(key, "PRES:") || StartsWith(key, "URES:")) {
          resources.emplace(key.substr(5));
        } else if (StartsWith(key, "REG:") && IsWebStorageKey(Between(key, "REG:"))) {
          registrations.emplace(After(key));
          ForEachProtoField(value, [&](const ProtoField& field) {
            if (field.number == 4 && field.wireType == 0)
              versions.emplace(std::to_string(field.varint));
          });
        } else if (StartsWith(key, "RES:") && versions.count(Between(key, "RES:"))) {
          resources.emplace(After(key));
        }
      }))
    return;
  long long dropped = db.Rebuild([&](std::string_view key, std::string_view) {
    if (StartsWith(key, "REG:") || StartsWith(key, "INITDATA_UNIQUE_ORIGIN:"))
      return IsWebStorageKey(
          Between(key, StartsWith(key, "REG:") ? "REG:" : "INITDATA_UNIQUE_ORIGIN:"));
    if (StartsWith(key, "REGID_TO_ORIGIN:")) return registrations.count(key.substr(16)) != 0;
    if (StartsWith(key, "REG_USER_DATA:"))
      return registrations.count(Between(key, "REG_USER_DATA:")) != 0;
    if (StartsWith(key, "REG_HAS_USER_DATA:")) return registrations.count(After(key)) != 0;
    if (StartsWith(key, "RES:")) return versions.count(Between(key, "RES:")) != 0;
    return StartsWith(key, "PRES:") || StartsWith(key, "URES:");
  });
  // Only once no entry names them any more.
  if (dropped > 0) EraseScripts(profile, resources);
}

// File systems (the origin-private file system among them):
// "ORIGIN:<origin's file name>" names its folder ("000", "001"...) below
// File System. The folder goes first; an entry whose folder stays is kept.
void EraseFileSystems(const std::string& profile) {
  CLevelDbRebuild db(profile + "\\File System\\Origins");
  if (!OpenStore(db, profile, "File System\\Origins")) return;
  Ids gone;
  if (!db.ForEach([&](std::string_view key, std::string_view value) {
        std::string_view origin = Between(key, "ORIGIN:");
        if (origin.empty() || !(IsWebOriginId(origin) || IsWebStorageKey(origin)) ||
            value.empty() || value.find_first_not_of("0123456789") != std::string_view::npos)
          return;
        if (RemoveWholeFolder(profile + "\\File System\\" + std::string(value))) gone.emplace(key);
      }))
    return;
  db.Rebuild([&](std::string_view key, std::string_view) { return gone.count(key) != 0; });
}

}  // namespace

void EraseSiteLevelDbs(const ChromiumProfile& profile) {
  const std::string& folder = profile.folder;
  CLevelDbRebuild local(folder + "\\Local Storage\\leveldb");
  if (OpenStore(local, folder, "Local Storage\\leveldb")) local.Rebuild(IsWebLocalStorageEntry);
  EraseSessionStorage(folder);
  EraseServiceWorkers(folder);
  EraseFileSystems(folder);
  // Keyed by the origin whose trial tokens were kept.
  CLevelDbRebuild trials(folder + "\\PersistentOriginTrials");
  if (OpenStore(trials, folder, "PersistentOriginTrials"))
    trials.Rebuild([](std::string_view key, std::string_view) { return IsWebStorageKey(key); });
}

}  // namespace chromium
