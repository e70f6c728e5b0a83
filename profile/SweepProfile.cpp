#include "profile/SweepProfile.h"

#include <cstdio>

#include "profile/SettingsKey.h"

const char kSettingsKeyPath[] = "Software\\Marrowfield\\Tidewisp";
CSweepProfile* g_pProfile = nullptr;

namespace {

std::string Indexed(const char* format, long index) {
  char name[32];
  std::snprintf(name, sizeof name, format, index);
  return name;
}

// Entries 0 to count - 1 in index order; an absent entry is skipped and the
// list keeps the stored order of the rest. Only the entries that exist are
// read: an edited count of two billion must not hang every start.
void LoadList(CSettingsKey& key, const char* countName, const char* prefix,
              std::vector<std::string>& list) {
  LONG count = key.ReadLong(countName, 0);
  for (const auto& entry : key.IndexedValues(prefix, count)) {
    auto text = key.ReadString(entry.second.c_str(), nullptr);
    if (text) list.push_back(*text);
  }
}

void SaveList(CSettingsKey& key, const char* countName, const char* format,
              const std::vector<std::string>& list) {
  key.WriteLong(countName, static_cast<LONG>(list.size()));
  for (size_t j = 0; j < list.size(); ++j)
    key.WriteString(Indexed(format, static_cast<long>(j)).c_str(), list[j].c_str());
}

}  // namespace

void CSweepProfile::Load() {
  CSettingsKey key(kSettingsKeyPath, 1);
  for (int i = 0; i < kFlagCount; ++i) di[i] = key.ReadFlag(Indexed("di%li", i).c_str(), 0);
  when = key.ReadLong("when", 1);
  lastErase = key.ReadLongLong("lastErase", 0);
  LoadList(key, "nFiles", "file", fileList);
  LoadList(key, "nFolders", "folder", folderList);
}

void CSweepProfile::Save(bool reportFailure) {
  // Entries past the new counts, left by an earlier longer list, stay in the
  // key: Load stops at the stored count and never reads them.
  CSettingsKey key(kSettingsKeyPath, 0, reportFailure);
  for (int i = 0; i < kFlagCount; ++i) key.WriteFlag(Indexed("di%li", i).c_str(), di[i]);
  key.WriteLong("when", when);
  key.WriteLongLong("lastErase", lastErase);
  SaveList(key, "nFiles", "file%ld", fileList);
  SaveList(key, "nFolders", "folder%ld", folderList);
}
