// The Cookies box's site-data clean of one Chromium profile (Local Storage
// rebuilt without the web origins, their IndexedDB folders removed), against
// copying the same folders; and the clean's peak memory. bench/sitedata.sh
// runs it.
//
//   bench_sitedata make <profile> <origins> <folders>
//       a profile folder whose Local Storage holds <origins> web origins and
//       the kept ones, and whose IndexedDB holds <folders> web folders and
//       one extension's
//   bench_sitedata clean <profile>
//       prints "<seconds> <peak working set> <working set before>
//       <Local Storage: copy, write, erase seconds> <entries left>
//       <web entries left> <IndexedDB folders left>"
//   bench_sitedata copy <profile> <to>
//       copies the same folders' files with CopyFileA; prints "<seconds>"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/BenchSupport.h"
#include "engine/browsers/Chromium.h"
#include "engine/stores/LevelDb.h"
#include "leveldb/db.h"
#include "leveldb/write_batch.h"
#include "platform/win32.h"

namespace {

const char kLocalStorage[] = "\\Local Storage\\leveldb";
const char kIndexedDb[] = "\\IndexedDB";

// Extensions' origins, whose entries stay (ids of the form Chromium gives
// them: 32 letters from a to p; the first is the test profile's extension).
const char* const kExtensions[] = {"chrome-extension://ahedehlfapjcpceoojcgfjpmdlnjkign",
                                   "chrome-extension://abcdefghijklmnopabcdefghijklmnop",
                                   "chrome-extension://ponmlkjihgfedcbaponmlkjihgfedcba"};

// What sites keep in localStorage: a flag, a small record, a cached JSON
// fragment, a serialized state of a few kilobytes.
const struct {
  const char* name;
  size_t size;
} kItems[] = {{"consent", 20}, {"_ga_session", 150}, {"cache:feed", 1000}, {"app-state", 4000}};

// Printable bytes from a simple generator, which Snappy cannot shrink.
std::string Filler(unsigned& state, size_t size) {
  std::string text(size, ' ');
  for (char& c : text) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(33 + (state >> 16) % 94);
  }
  return text;
}

void AppendVarint(std::string& out, unsigned long long value) {
  for (; value >= 0x80; value >>= 7) out += static_cast<char>(value | 0x80);
  out += static_cast<char>(value);
}

// Chromium's entries of one origin: "_<origin>\0\x01<name>" holding "\x01" and
// the Latin-1 value, "META:<origin>" (field 1 the last change, field 2 the
// size) and "METAACCESS:<origin>" (field 1 the last access).
void PutOrigin(leveldb::WriteBatch& batch, const std::string& origin, unsigned& state) {
  unsigned long long bytes = 0;
  for (const auto& item : kItems) {
    batch.Put("_" + origin + std::string("\0\x01", 2) + item.name,
              "\x01" + Filler(state, item.size));
    bytes += item.size;
  }
  std::string meta = "\x08", access = "\x08";
  AppendVarint(meta, 13412345678901234ull);
  meta += '\x10';
  AppendVarint(meta, bytes);
  AppendVarint(access, 13412345678905678ull);
  batch.Put("META:" + origin, meta);
  batch.Put("METAACCESS:" + origin, access);
}

std::string Host(long i) {
  char host[40];
  std::snprintf(host, sizeof host, "site%05ld.example", i);
  return host;
}
// Every other origin is plain http.
const char* Scheme(long i) { return i % 2 ? "https" : "http"; }

std::unique_ptr<leveldb::DB> Create(const std::string& folder) {
  leveldb::Options options;
  options.create_if_missing = true;
  options.error_if_exists = true;
  leveldb::DB* db = nullptr;
  leveldb::DB::Open(options, folder, &db);
  return std::unique_ptr<leveldb::DB>(db);
}

// Each origin's entries are one commit, as the browser writes a page's
// changes. Most lie in tables by now; the most recent commits (the last tenth
// of the origins, at most 500: less than LevelDB's write buffer, so that
// closing never races a flush of it) and the extensions' are in the log.
bool MakeLocalStorage(const std::string& folder, long origins) {
  std::unique_ptr<leveldb::DB> db = Create(folder);
  if (!db) return false;
  unsigned state = 1;
  leveldb::WriteBatch batch;
  batch.Put("VERSION", "1");
  long recent = origins - std::min(origins / 10, 500L);
  for (long i = 0; i < origins; ++i) {
    if (i == recent) db->CompactRange(nullptr, nullptr);
    PutOrigin(batch, std::string(Scheme(i)) + "://" + Host(i), state);
    if (!db->Write({}, &batch).ok()) return false;
    batch.Clear();
  }
  for (const char* extension : kExtensions) PutOrigin(batch, extension, state);
  return db->Write({}, &batch).ok();
}

// A small IndexedDB database as the browser leaves one: a log of twenty
// entries of a few hundred bytes. (Its keys are not IndexedDB's, nor its
// comparator: the clean removes the folder whole and never opens it.)
bool MakeIndexedDb(const std::string& folder, unsigned& state) {
  std::unique_ptr<leveldb::DB> db = Create(folder);
  if (!db) return false;
  leveldb::WriteBatch batch;
  for (int i = 0; i < 20; ++i)
    batch.Put(std::string("\0\0\0\0", 4) + char(i), Filler(state, 200 + 40 * i));
  return db->Write({}, &batch).ok();
}

int Make(const std::string& profile, long origins, long folders) {
  if (!CreateDirectoryA(profile.c_str(), nullptr) ||
      !CreateDirectoryA((profile + "\\Local Storage").c_str(), nullptr) ||
      !MakeLocalStorage(profile + kLocalStorage, origins) ||
      !CreateDirectoryA((profile + kIndexedDb).c_str(), nullptr))
    return 1;
  unsigned state = 7;
  std::string base = profile + kIndexedDb + "\\";
  if (!MakeIndexedDb(base + "chrome-extension_ahedehlfapjcpceoojcgfjpmdlnjkign_0.indexeddb.leveldb",
                     state))
    return 1;
  for (long i = 0; i < folders; ++i)
    if (!MakeIndexedDb(base + Scheme(i) + "_" + Host(i) + "_0.indexeddb.leveldb", state)) return 1;
  return 0;
}

// The folders directly below `folder`.
long FoldersIn(const std::string& folder) {
  WIN32_FIND_DATAA record;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &record);
  long count = 0;
  for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &record)) {
    std::string name = record.cFileName;
    count += name != "." && name != ".." && (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  FindClose(find);
  return count;
}

// The moments the Local Storage rebuild ended its steps (the stand-in for a
// kill, which never stops it here, tells); it is the clean's only rebuild.
std::chrono::steady_clock::time_point g_stepEnded[7];

int Clean(const std::string& profile) {
  SIZE_T before = Counters().WorkingSetSize;
  g_levelDbStop = [](LevelDbStep step) {
    g_stepEnded[static_cast<int>(step)] = std::chrono::steady_clock::now();
    return false;
  };
  auto start = std::chrono::steady_clock::now();
  double seconds = SecondsOf([&] {
    chromium::EraseSiteData(chromium::ChromiumProfile{profile, profile});
  });
  SIZE_T peak = Counters().PeakWorkingSetSize;

  // What is left, read only now: a clean that left work undone would look
  // fast. (Opening the rebuilt database rewrites it, which no longer matters.)
  long entries = -1, web = -1;
  leveldb::DB* raw = nullptr;
  if (leveldb::DB::Open({}, profile + kLocalStorage, &raw).ok()) {
    std::unique_ptr<leveldb::DB> db(raw);
    std::unique_ptr<leveldb::Iterator> entry(db->NewIterator({}));
    entries = web = 0;
    for (entry->SeekToFirst(); entry->Valid(); entry->Next()) {
      std::string key = entry->key().ToString();
      ++entries;
      web += key.find("://site") != std::string::npos;
    }
  }
  auto since = [](std::chrono::steady_clock::time_point from, LevelDbStep step) {
    std::chrono::duration<double> took = g_stepEnded[static_cast<int>(step)] - from;
    return took.count();
  };
  std::printf(
      "%.3f %llu %llu %.3f %.3f %.3f %ld %ld %ld\n", seconds, static_cast<unsigned long long>(peak),
      static_cast<unsigned long long>(before), since(start, LevelDbStep::kCopied),
      since(g_stepEnded[static_cast<int>(LevelDbStep::kCopied)], LevelDbStep::kFreshWritten),
      since(g_stepEnded[static_cast<int>(LevelDbStep::kFreshWritten)], LevelDbStep::kCopyErased),
      entries, web, FoldersIn(profile + kIndexedDb));
  return web == 0 ? 0 : 1;
}

bool CopyFolder(const std::string& folder, const std::string& to) {
  bool copied = CreateDirectoryA(to.c_str(), nullptr) != 0;
  WIN32_FIND_DATAA record;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &record);
  for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &record)) {
    std::string name = record.cFileName;
    if (name == "." || name == "..") continue;
    std::string from = folder + "\\" + name, into = to + "\\" + name;
    if (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      copied &= CopyFolder(from, into);
    else
      copied &= CopyFileA(from.c_str(), into.c_str(), TRUE) != 0;
  }
  FindClose(find);
  return copied;
}

int Copy(const std::string& profile, const std::string& to) {
  bool copied = true;
  double seconds = SecondsOf([&] {
    copied = CreateDirectoryA(to.c_str(), nullptr) &&
             CreateDirectoryA((to + "\\Local Storage").c_str(), nullptr) &&
             CopyFolder(profile + kLocalStorage, to + kLocalStorage) &&
             CopyFolder(profile + kIndexedDb, to + kIndexedDb);
  });
  std::printf("%.3f\n", seconds);
  return copied ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 2 ? argv[1] : "";
  if (mode == "make" && argc == 5) return Make(argv[2], std::atol(argv[3]), std::atol(argv[4]));
  if (mode == "clean" && argc == 3) return Clean(argv[2]);
  if (mode == "copy" && argc == 4) return Copy(argv[2], argv[3]);
  std::fprintf(stderr,
               "usage: bench_sitedata make <profile> <origins> <folders> | clean <profile> | "
               "copy <profile> <to>\n");
  return 2;
}
