// Erase Recent Files on the Recent folder of a heavy user (jump lists that
// keep their pins rewritten, the others deleted), against deleting the same
// files as the box did before it kept pins; and its peak memory.
// bench/jumplists.sh runs it.
//
//   bench_jumplists make <recent> <lists> <entries>
//       an AutomaticDestinations folder of <lists> jump lists holding
//       <entries> in all: Quick Access (4 in 100 of them, 4 pinned), its
//       recent files (6 in 100), and programs' lists sharing the rest, every
//       tenth with one pin
//   bench_jumplists clean <recent>
//       EraseRecentFolder; prints "<seconds> <peak working set> <working
//       set before> <lists left> <entries left>"
//   bench_jumplists read <recent>
//       only reads every list as the clean does first; prints "<seconds>"
//   bench_jumplists delete <recent>
//       EraseFolderContents; prints "<seconds> <lists left>"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "engine/EraseCount.h"
#include "engine/Primitives.h"
#include "engine/RecentFolder.h"
#include "engine/stores/JumpList.h"
#include "profile/SweepProfile.h"

namespace {

void Put32(std::string& bytes, size_t at, uint32_t value) { std::memcpy(&bytes[at], &value, 4); }

// A version 4 entry: `number`, pinned at `pin` (-1: not), ranked `rank`.
std::string Entry(uint32_t number, int32_t pin, int32_t rank, const std::wstring& path) {
  std::string entry(134 + 2 * path.size(), '\0');
  for (size_t i = 0; i < 64; ++i) entry[8 + i] = static_cast<char>(number * 7 + i);
  std::memcpy(&entry[72], "HEAVY-PC", 8);
  Put32(entry, 88, number);
  float score = 1.0f;
  std::memcpy(&entry[96], &score, 4);
  Put32(entry, 100, 0xD0A1B2C3u);
  Put32(entry, 104, 0x01DA0000u + number);
  Put32(entry, 108, static_cast<uint32_t>(pin));
  Put32(entry, 112, static_cast<uint32_t>(rank));
  Put32(entry, 116, 1);
  entry[128] = static_cast<char>(path.size());
  std::memcpy(&entry[130], path.data(), 2 * path.size());
  return entry;
}

// A shell link's size and look: its header, then the path, then filler.
std::string Link(const std::wstring& path, uint32_t number) {
  std::string link(600 + number % 7 * 150, '\0');
  link[0] = 0x4C;
  std::memcpy(&link[76], path.data(), 2 * path.size());
  for (size_t i = 76 + 2 * path.size(); i < link.size(); ++i)
    link[i] = static_cast<char>(i * 31 + number);
  return link;
}

bool WriteList(const std::string& file, int entries, int pins, bool ranked, int seed) {
  std::wstring name(file.begin(), file.end());
  IStorage* storage = nullptr;
  if (FAILED(StgCreateStorageEx(name.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                STGFMT_STORAGE, 0, nullptr, nullptr, IID_IStorage,
                                reinterpret_cast<void**>(&storage))))
    return false;
  std::string list(32, '\0');
  Put32(list, 0, 4);
  Put32(list, 4, entries);
  Put32(list, 8, pins);
  float sum = static_cast<float>(entries);
  std::memcpy(&list[12], &sum, 4);
  Put32(list, 16, entries);
  Put32(list, 24, 2 * entries);
  bool ok = true;
  for (int n = entries; n >= 1; --n) {  // the most recent first
    wchar_t path[128];
    swprintf(path, 128, L"C:\\Users\\heavy\\Documents\\Project %d\\report-%04d.docx", seed, n);
    list += Entry(n, n <= pins ? n - 1 : -1, ranked ? entries - n : -1, path);
    wchar_t stream[16];
    swprintf(stream, 16, L"%x", n);
    IStream* out = nullptr;
    std::string link = Link(path, n);
    ok = ok &&
         SUCCEEDED(storage->CreateStream(stream, STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &out)) &&
         SUCCEEDED(out->Write(link.data(), static_cast<ULONG>(link.size()), nullptr));
    if (out) out->Release();
  }
  IStream* out = nullptr;
  ok = ok &&
       SUCCEEDED(
           storage->CreateStream(L"DestList", STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &out)) &&
       SUCCEEDED(out->Write(list.data(), static_cast<ULONG>(list.size()), nullptr)) &&
       SUCCEEDED(storage->Commit(STGC_DEFAULT));
  if (out) out->Release();
  storage->Release();
  return ok;
}

// The lists left, and the entries their DestLists count.
void Left(const std::string& folder, long& lists, long& entries) {
  lists = entries = 0;
  WIN32_FIND_DATAA record;
  HANDLE find = FindFirstFileA((folder + "\\*.automaticDestinations-ms").c_str(), &record);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    ++lists;
    std::wstring name = std::wstring(folder.begin(), folder.end()) + L"\\";
    for (const char* c = record.cFileName; *c; ++c) name += static_cast<wchar_t>(*c);
    IStorage* storage = nullptr;
    IStream* stream = nullptr;
    uint32_t count = 0;
    if (SUCCEEDED(StgOpenStorage(name.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr,
                                 0, &storage))) {
      if (SUCCEEDED(storage->OpenStream(L"DestList", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                        &stream))) {
        LARGE_INTEGER at = {};
        at.QuadPart = 4;
        stream->Seek(at, STREAM_SEEK_SET, nullptr);
        stream->Read(&count, 4, nullptr);
        stream->Release();
      }
      storage->Release();
    }
    entries += count;
  } while (FindNextFileA(find, &record));
  FindClose(find);
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 2 ? argv[1] : "", recent = argc > 2 ? argv[2] : "";
  std::string lists = recent + "\\AutomaticDestinations";
  if (mode == "make" && argc > 4) {
    int count = std::atoi(argv[3]), entries = std::atoi(argv[4]);
    CreateDirectoryA(recent.c_str(), nullptr);
    CreateDirectoryA(lists.c_str(), nullptr);
    // Quick Access and its recent files take a tenth of the entries.
    int quick = entries / 25, recentFiles = entries * 3 / 50;
    int apps = count - 2, share = entries - quick - recentFiles;
    for (int i = 0; i < count; ++i) {
      char file[64];
      std::snprintf(file, sizeof file, "\\%016x.automaticDestinations-ms", 0x5eed0000u + i);
      int n = i == 0 ? quick : i == 1 ? recentFiles : share / apps + (i - 2 < share % apps);
      int pins = i == 0 ? 4 : i >= 2 && i % 10 == 0 ? 1 : 0;
      if (!WriteList(lists + file, n, pins, i == 0, i)) return 1;
    }
    return 0;
  }
  long left = 0, entries = 0;
  if (mode == "clean") {
    CSweepProfile profile;
    CRunContext run(profile);
    PROCESS_MEMORY_COUNTERS before = Counters();
    double seconds = SecondsOf([&] { EraseRecentFolder(recent, run); });
    PROCESS_MEMORY_COUNTERS after = Counters();
    Left(lists, left, entries);
    std::printf("%.3f %zu %zu %ld %ld\n", seconds, after.PeakWorkingSetSize, before.WorkingSetSize,
                left, entries);
    return 0;
  }
  if (mode == "read") {
    std::vector<std::string> files;
    WIN32_FIND_DATAA record;
    HANDLE find = FindFirstFileA((lists + "\\*").c_str(), &record);
    do {
      if (!(record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        files.push_back(lists + "\\" + record.cFileName);
    } while (FindNextFileA(find, &record));
    FindClose(find);
    double seconds = SecondsOf([&] {
      for (const std::string& file : files) CJumpList().Read(file);
    });
    std::printf("%.3f\n", seconds);
    return 0;
  }
  if (mode == "delete") {
    double seconds = SecondsOf([&] { EraseFolderContents(recent, 0, 0); });
    Left(lists, left, entries);
    std::printf("%.3f %ld\n", seconds, left);
    return 0;
  }
  std::fprintf(stderr, "usage: bench_jumplists make|clean|delete <recent> [lists entries]\n");
  return 2;
}
