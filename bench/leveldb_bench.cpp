// Rebuilding a LevelDB without a tenth of its entries, against copying the
// same folder; and the rebuild's peak memory. bench/leveldb.sh runs it.
//
//   bench_leveldb make <folder> <entries>   a database of <entries> entries of
//                                           about 500 bytes, every tenth a
//                                           download ("21_download,...")
//   bench_leveldb rebuild <folder>          prints "<seconds> <entries gone>
//                                           <peak working set> <working set before>
//                                           <seconds of each step>..."
//   bench_leveldb copy <folder> <to>        copies the folder's files with
//                                           CopyFileA; prints "<seconds>"
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/BenchSupport.h"
#include "engine/stores/LevelDb.h"
#include "leveldb/db.h"
#include "leveldb/write_batch.h"
#include "platform/win32.h"

namespace {

// Values that Snappy cannot shrink, as a browser's serialized records mostly
// are not: 500 bytes of a simple generator's output, printable.
std::string Value(unsigned& state) {
  std::string value(500, ' ');
  for (char& c : value) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(33 + (state >> 16) % 94);
  }
  return value;
}

int Make(const std::string& folder, long entries) {
  leveldb::Options options;
  options.create_if_missing = true;
  options.error_if_exists = true;
  leveldb::DB* raw = nullptr;
  if (!leveldb::DB::Open(options, folder, &raw).ok()) return 1;
  std::unique_ptr<leveldb::DB> db(raw);
  unsigned state = 1;
  leveldb::WriteBatch batch;
  for (long i = 0; i < entries; ++i) {
    char key[40];
    std::snprintf(key, sizeof key, i % 10 ? "%08ld" : "21_download,%08ld", i);
    batch.Put(key, Value(state));
    if (batch.ApproximateSize() < (1 << 20)) continue;
    if (!db->Write({}, &batch).ok()) return 1;
    batch.Clear();
  }
  return db->Write({}, &batch).ok() ? 0 : 1;
}

// When each step of the rebuild ended (the stand-in for a kill, which never
// stops it here, tells).
std::chrono::steady_clock::time_point g_stepEnded[7];

int Rebuild(const std::string& folder) {
  SIZE_T before = Counters().WorkingSetSize;
  long long gone = -1;
  g_levelDbStop = [](LevelDbStep step) {
    g_stepEnded[static_cast<int>(step)] = std::chrono::steady_clock::now();
    return false;
  };
  auto start = std::chrono::steady_clock::now();
  double seconds = SecondsOf([&] {
    CLevelDbRebuild db(folder);
    if (db.Open())
      gone = db.Rebuild([](std::string_view key, std::string_view) {
        return key.substr(0, 12) == "21_download,";
      });
  });
  std::printf("%.3f %lld %llu %llu", seconds, gone,
              static_cast<unsigned long long>(Counters().PeakWorkingSetSize),
              static_cast<unsigned long long>(before));
  // Then each step's seconds: copy, open the copy and write the fresh
  // database, journal, first rename, second rename, erase old, erase copy.
  for (const auto& ended : g_stepEnded) {
    std::chrono::duration<double> took = ended - start;
    std::printf(" %.3f", took.count());
    start = ended;
  }
  std::printf("\n");
  return gone > 0 ? 0 : 1;
}

int Copy(const std::string& folder, const std::string& to) {
  bool copied = true;
  double seconds = SecondsOf([&] {
    copied = CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA record;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &record);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &record)) {
      if (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      std::string name = record.cFileName;
      copied &= CopyFileA((folder + "\\" + name).c_str(), (to + "\\" + name).c_str(), TRUE) != 0;
    }
    FindClose(find);
  });
  std::printf("%.3f\n", seconds);
  return copied ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 2 ? argv[1] : "";
  if (mode == "make" && argc == 4) return Make(argv[2], std::atol(argv[3]));
  if (mode == "rebuild" && argc == 3) return Rebuild(argv[2]);
  if (mode == "copy" && argc == 4) return Copy(argv[2], argv[3]);
  std::fprintf(stderr, "usage: bench_leveldb make|rebuild|copy <folder> [<entries>|<to>]\n");
  return 2;
}
