#include "tests/support/BrowserData.h"

#include <sstream>

#include "engine/stores/SqliteDb.h"
#include "tests/support/TableBlocks.h"
#include "tests/support/Win32Test.h"

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = {};
  SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE);
  return path;
}

std::string Source(std::string path) {
  path = "Z:" TW_SOURCE_DIR "/tests/data/browsers/" + path;
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

void Tree(const std::string& from, const std::string& to, Files* files) {
  if (!files) SHCreateDirectoryExA(nullptr, to.c_str(), nullptr);
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((from + "\\*").c_str(), &entry);
  for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &entry)) {
    std::string name = entry.cFileName, source = from + "\\" + name, copy = to + "\\" + name;
    if (name == "." || name == "..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      Tree(source, copy, files);
    else if (files)
      (*files)[source] = ReadAll(source);
    else
      EXPECT_TRUE(CopyFileA(source.c_str(), copy.c_str(), FALSE)) << source;
  }
  FindClose(find);
}

std::map<std::string, std::string> Tokens() {
  std::map<std::string, std::string> tokens;
  std::istringstream text(ReadAll(Source("tokens.txt")));
  for (std::string line; std::getline(text, line);)
    if (line[0] != '#' && line.find('=') != std::string::npos)
      tokens[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
  return tokens;
}

void PlaceBrowserProfiles() {
  Tree(Source("chromium/User Data"), kChrome);
  Tree(Source("chromium/User Data/Default"), kChrome + "\\Profile 1");  // a second profile
  Tree(Source("chromium/User Data/Default"), kOpera);
  for (const std::string& to : {kRel, kAbsProfile, kEscape}) Tree(Source("firefox/" + kProfile), to);
  SHCreateDirectoryExA(nullptr, kOperaCache.c_str(), nullptr);
  for (const char* cache : {"Cache", "Code Cache", "GPUCache", "DawnGraphiteCache"})
    MoveFileA((kOpera + "\\" + cache).c_str(), (kOperaCache + "\\" + cache).c_str());
  std::string twin = kLocal + "\\Mozilla\\Firefox\\Profiles\\" + kProfile;
  SHCreateDirectoryExA(nullptr, twin.c_str(), nullptr);
  for (const char* cache : {"\\cache2", "\\thumbnails"})
    MoveFileA((kRel + cache).c_str(), (twin + cache).c_str());
  ASSERT_TRUE(WriteAll(kFirefox + "\\profiles.ini",
                       "[Profile0]\r\nName=a\r\nIsRelative=1\r\nPath=Profiles/" + kProfile +
                           "\r\n\r\n[Profile1]\r\nName=b\r\nIsRelative=0\r\nPath=" + kAbsProfile +
                           "\r\n\r\n[Profile2]\r\nName=c\r\nIsRelative=1\r\nPath=../../tw-escape"
                           "\r\n"));
}

void RemoveBrowserProfiles() {
  for (const std::string& root : kRoots) RemoveTree(root);
}

std::vector<std::string> Keys(std::initializer_list<const char*> prefixes) {
  std::vector<std::string> keys;
  for (const auto& [key, value] : kTokens)
    for (const char* prefix : prefixes)
      if ((value.rfind("twc-", 0) == 0 || value.rfind("twf-", 0) == 0) && key.rfind(prefix, 0) == 0)
        keys.push_back(key);
  return keys;
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

bool Holds(const std::string& searchable, const std::string& text) {
  std::string wide;
  for (char c : text) wide.append({c, '\0'});
  return searchable.find(text) != std::string::npos || searchable.find(wide) != std::string::npos;
}

bool FolderHolds(const std::string& folder, const std::string& token) {
  Files files;
  Tree(folder, "", &files);
  for (const auto& entry : files)
    if (Holds(SearchableBytes(entry.first), kTokens.at(token))) return true;
  return false;
}

long long Sql(const std::string& path, const std::string& sql) {
  CSqliteDb db;
  return db.Open(path) == 0 ? db.QueryInt(sql.c_str(), -1) : -1;
}

std::string Like(const char* token) { return " LIKE '%" + kTokens.at(token) + "%'"; }

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}
