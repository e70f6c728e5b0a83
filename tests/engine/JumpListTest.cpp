// Erase Recent Files on jump lists that Windows wrote (tests/data/jumplists),
// placed in the prefix's Recent folder: one row per folder, with what each
// list must become: "p" only its pins stay, "-" gone, "=" byte for byte (and
// named in the summary when the box is on). The test's own reader lists each
// list's entries before and after the run.
#include <algorithm>
#include <map>

#include "profile/SweepProfile.h"
#include "tests/support/BrowserData.h"
#include "tests/support/RunLog.h"
#include "tests/support/Win32Test.h"

namespace {

uint32_t U32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  if (at + 4 <= bytes.size()) memcpy(&value, &bytes[at], 4);
  return value;
}
void Put(std::string& bytes, size_t at, uint32_t value) {
  if (at + 4 <= bytes.size()) memcpy(&bytes[at], &value, 4);
}

// Each DestList entry's bytes, as the version in the header lays them out.
std::vector<std::string> Entries(const std::string& list) {
  std::vector<std::string> entries;
  bool v1 = U32(list, 0) == 1;
  for (size_t at = 32; at + 130 <= list.size(); at += entries.back().size())
    entries.push_back(
        list.substr(at, (v1 ? 114 : 134) + 2 * (U32(list, at + (v1 ? 112 : 128)) & 0xFFFF)));
  return entries;
}
bool Pinned(const std::string& entry) { return U32(entry, 108) != 0xFFFFFFFF; }
std::wstring Stream(const std::string& entry) {
  wchar_t name[16];
  swprintf(name, 16, L"%x", U32(entry, 88));
  return name;
}
std::string PathOf(const std::string& entry, bool v1) {
  std::string path;  // the samples' paths are ASCII
  for (size_t at = v1 ? 114 : 130; at + 1 < entry.size() - (v1 ? 0 : 4); at += 2) path += entry[at];
  return path;
}

// Every stream of the compound file, by name; `edit`, if any, first changes
// the DestList in place.
std::map<std::wstring, std::string> Streams(const std::string& path,
                                            void (*edit)(std::string& list) = nullptr) {
  std::map<std::wstring, std::string> streams;
  IStorage* storage = nullptr;
  IEnumSTATSTG* all = nullptr;
  STATSTG stat;
  DWORD mode = (edit ? STGM_READWRITE : STGM_READ) | STGM_SHARE_EXCLUSIVE;
  HRESULT opened = StgOpenStorage(std::wstring(path.begin(), path.end()).c_str(), nullptr, mode,
                                  nullptr, 0, &storage);
  EXPECT_TRUE(SUCCEEDED(opened) || !edit) << path;
  if (FAILED(opened)) return streams;
  storage->EnumElements(0, nullptr, 0, &all);
  for (IStream* stream = nullptr; all->Next(1, &stat, nullptr) == S_OK;
       CoTaskMemFree(stat.pwcsName)) {
    std::string& data = streams[stat.pwcsName];
    data.resize(stat.cbSize.QuadPart);
    if (FAILED(storage->OpenStream(stat.pwcsName, nullptr, mode, 0, &stream))) continue;
    stream->Read(&data[0], data.size(), nullptr);
    if (edit && stat.pwcsName == std::wstring(L"DestList")) {
      edit(data);
      EXPECT_HRESULT_SUCCEEDED(stream->Seek({}, STREAM_SEEK_SET, nullptr));
      EXPECT_HRESULT_SUCCEEDED(stream->Write(data.data(), data.size(), nullptr));
    }
    stream->Release();
  }
  all->Release();
  storage->Release();
  return streams;
}
// A pin at position 0 on the list's third entry, counted in its header.
void PinThird(const std::string& path) {
  Streams(path, [](std::string& list) {
    std::vector<std::string> entries = Entries(list);
    Put(list, 32 + entries[0].size() + entries[1].size() + 108, 0);
    Put(list, 8, U32(list, 8) + 1);
  });
}
void Cut(const std::string& path, size_t size) { WriteAll(path, ReadAll(path).substr(0, size)); }

struct Placed {
  const char* sample;  // in tests/data/jumplists
  const char* as;      // below the Recent folder
  char fate;
  void (*change)(const std::string& path) = nullptr;
};
struct Row {
  const char* what;
  bool box;
  std::vector<Placed> files;
};
void PrintTo(const Row& row, std::ostream* out) { *out << row.what; }

class JumpLists : public ::testing::TestWithParam<Row>, public RunLog {
 protected:
  void SetUp() override { TearDown(); }
  void TearDown() override {
    for (const char* folder : {"\\AutomaticDestinations", "\\CustomDestinations"})
      RemoveTree(recent_ + folder);
  }

  const std::string recent_ = ShellFolder(CSIDL_RECENT);
};

const std::string kNotRead = "Not erased (a jump list Tidewisp cannot read): ";

TEST_P(JumpLists, KeepOnlyWhatWasPinned) {
  const Row& row = GetParam();
  std::vector<std::string> bytes;
  std::vector<std::map<std::wstring, std::string>> was;
  for (const Placed& file : row.files) {
    std::string path = recent_ + "\\" + file.as;
    ASSERT_TRUE(WriteAll(path, ReadAll(Source("../jumplists/" + std::string(file.sample)))))
        << path;
    if (file.change) file.change(path);
    bytes.push_back(ReadAll(path));
    was.push_back(Streams(path));
  }
  CSweepProfile profile;
  profile.di[kRecentFiles] = row.box;
  profile.Run(kRunAllMask);

  std::string kept;  // what may still name a path: the pins and the lists left alone
  std::vector<std::string> removed;
  for (size_t i = 0; i < row.files.size(); ++i) {
    const char fate = row.files[i].fate;
    std::string path = recent_ + "\\" + row.files[i].as;
    std::vector<std::string> entries = Entries(was[i][L"DestList"]), pins;
    bool v1 = U32(was[i][L"DestList"], 0) == 1;
    EXPECT_EQ(Exists(path), fate != '-') << path;
    EXPECT_EQ(std::count(lines_.begin(), lines_.end(), kNotRead + path), row.box && fate == '=')
        << path;
    EXPECT_TRUE(fate != '=' || ReadAll(path) == bytes[i]) << path << " changed";
    if (fate == '=') kept += bytes[i];
    for (const std::string& entry : entries)
      if (fate != '=' && !(fate == 'p' && Pinned(entry))) removed.push_back(PathOf(entry, v1));
    if (fate != 'p') continue;
    std::map<std::wstring, std::string> now = Streams(path);
    std::string header = now[L"DestList"].substr(0, 32);
    std::vector<std::string> after = Entries(now[L"DestList"]);
    std::copy_if(entries.begin(), entries.end(), std::back_inserter(pins), Pinned);
    ASSERT_EQ(after.size(), pins.size()) << path;
    EXPECT_EQ(now.size(), pins.size() + 1) << path << ": the DestList and the pins' links";
    float score = 0;
    std::vector<uint32_t> ranks;  // Quick Access's: 0 to n-1 again; -1 in the others
    for (size_t k = 0; k < pins.size(); ++k) {
      ranks.push_back(U32(after[k], 112));
      if (!v1) Put(after[k], 112, U32(pins[k], 112));
      EXPECT_TRUE(after[k] == pins[k]) << path << ": entry " << k << " changed";
      EXPECT_TRUE(now[Stream(pins[k])] == was[i][Stream(pins[k])]) << path << ": link " << k;
      kept += pins[k] + was[i][Stream(pins[k])];
      score += *reinterpret_cast<const float*>(&pins[k][96]);
    }
    std::sort(ranks.begin(), ranks.end());
    for (size_t k = 0; k < ranks.size() && !v1; ++k) EXPECT_TRUE(ranks[k] == k || ranks[k] == ~0u);
    EXPECT_EQ(U32(header, 4), pins.size());
    EXPECT_EQ(U32(header, 8), pins.size());
    EXPECT_EQ(*reinterpret_cast<const float*>(&header[12]), score);
    EXPECT_EQ(U32(header, 16), U32(was[i][L"DestList"], 16)) << "the last number issued";
  }
  Files left;
  Tree(recent_, "", &left);
  for (const std::string& path : removed)
    for (const auto& [file, contents] : left)
      EXPECT_TRUE(Holds(kept, path) || !Holds(contents, path)) << path << " still in " << file;
}

const char kQuickAccess[] = "win10-quickaccess-f01b4d95cf55d32a.automaticDestinations-ms",
           kApp[] = "win10-app-4cb9c5750d51c07f.automaticDestinations-ms",
           kQa[] = "AutomaticDestinations\\f01b4d95cf55d32a.automaticDestinations-ms",
           kAppAs[] = "AutomaticDestinations\\4cb9c5750d51c07f.automaticDestinations-ms";
const Placed kEveryKind[] = {
    {kQuickAccess, kQa, 'p'},
    {kApp, kAppAs, 'p', PinThird},
    {"win7-explorer-1b4dd67f29cb1962.automaticDestinations-ms",
     "AutomaticDestinations\\1b4dd67f29cb1962.automaticDestinations-ms", 'p', PinThird},
    // Ends inside its last sector, as a Windows 11 file may: after the last
    // 64-byte mini sector in use.
    {"win10-v3-quickaccess-f01b4d95cf55d32a.automaticDestinations-ms",
     "AutomaticDestinations\\1111111111111111.automaticDestinations-ms", 'p',
     [](const std::string& path) {
       Cut(path, (ReadAll(path).find_last_not_of('\0') + 64) / 64 * 64);
     }},
    {"win10-recentfiles-5f7b5f1e01b83767.automaticDestinations-ms",
     "AutomaticDestinations\\5f7b5f1e01b83767.automaticDestinations-ms", '-'},
    {"win10-empty-d06c94537ecaee12.automaticDestinations-ms",
     "AutomaticDestinations\\d06c94537ecaee12.automaticDestinations-ms", '-'},
    {"win10-vscode-1ced32d74a95c7bc.customDestinations-ms",
     "CustomDestinations\\1ced32d74a95c7bc.customDestinations-ms", '-'}};

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, JumpLists, ::testing::Values(
    Row{"pins stay with their links; every other entry, list and file goes", true,
        {std::begin(kEveryKind), std::end(kEveryKind)}},
    Row{"the box left off: every list byte for byte", false,
        {{kQuickAccess, kQa, '='}, {kApp, kAppAs, '=', PinThird},
         {kEveryKind[6].sample, kEveryKind[6].as, '='}}},
    Row{"a version this program does not know: left and named; the others go on", true,
        {{kQuickAccess, kQa, '=', [](const std::string& path) {
            Streams(path, [](std::string& list) { Put(list, 0, 2); }); }},
         {kApp, kAppAs, 'p', PinThird}}},
    Row{"a pinned count that disagrees with the entries: left and named", true,
        {{kQuickAccess, kQa, '=', [](const std::string& path) {
            Streams(path, [](std::string& list) { Put(list, 8, 5); }); }}}},
    Row{"cut short inside its streams: left and named", true,
        {{kQuickAccess, kQa, '=', [](const std::string& path) { Cut(path, 32256); }}}}));
// clang-format on

}  // namespace
