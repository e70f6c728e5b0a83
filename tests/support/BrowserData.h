// The real browser profiles of tests/data/browsers (made by Debian's chromium
// and firefox-esr), where the tests place them in the prefix, the tokens they
// hold, and searching them. Shared by every test that cleans a browser.
#pragma once

#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32.h"

using Files = std::map<std::string, std::string>;

std::string ShellFolder(int csidl);  // a shell folder, made if missing
// The source tree's tests/data/browsers/<path>, through Wine's Z: drive.
std::string Source(std::string path);
// Copies `from` to `to`, or, with `files`, reads every file below `from` into it.
void Tree(const std::string& from, const std::string& to, Files* files = nullptr);
// tokens.txt: KEY=VALUE lines, what each browser was given to keep.
std::map<std::string, std::string> Tokens();

// Inline, so that every test file's own constants may be made from them.
// clang-format off
inline const std::string kLocal = ShellFolder(CSIDL_LOCAL_APPDATA), kRoaming = ShellFolder(CSIDL_APPDATA),
    kChrome = kLocal + "\\Google\\Chrome\\User Data", kHistory = kChrome + "\\Default\\History",
    kOpera = kRoaming + "\\Opera Software\\Opera Stable", kOperaCache = kLocal + "\\Opera Software\\Opera Stable",
    kFirefox = kRoaming + "\\Mozilla\\Firefox", kAbs = "C:\\tw-ff-abs",
    kEscape = kRoaming + "\\tw-escape";  // where "../../tw-escape" leads
inline const std::string kRoots[] = {kLocal + "\\Google", kRoaming + "\\Opera Software",
    kLocal + "\\Opera Software", kRoaming + "\\Mozilla", kLocal + "\\Mozilla", kAbs, kEscape,
    kLocal + "\\Microsoft\\Edge", kLocal + "\\BraveSoftware", kLocal + "\\Vivaldi",
    kLocal + "\\Chromium"};
// Each Chromium-family browser and its User Data, in the order the run logs
// them. Opera's is its one profile.
inline const std::pair<std::string, std::string> kFamily[] = {
    {"Microsoft Edge", kLocal + "\\Microsoft\\Edge\\User Data"}, {"Google Chrome", kChrome},
    {"Brave", kLocal + "\\BraveSoftware\\Brave-Browser\\User Data"},
    {"Vivaldi", kLocal + "\\Vivaldi\\User Data"}, {"Chromium", kLocal + "\\Chromium\\User Data"},
    {"Opera", kOpera}, {"Opera GX", kRoaming + "\\Opera Software\\Opera GX Stable"}};
inline const std::map<std::string, std::string> kTokens = Tokens();
inline const std::string kProfile = kTokens.at("FIREFOX_PROFILE");
inline const std::string kRel = kFirefox + "\\Profiles\\" + kProfile, kAbsProfile = kAbs + "\\" + kProfile;
// clang-format on

// The chromium User Data as Google Chrome's (its Default again as Profile 1),
// that profile once more as Opera's (caches in the %LOCALAPPDATA% twin), and
// the Firefox profile three times through profiles.ini: relative (cache in
// the twin), absolute, and through a Path that climbs out with "..".
void PlaceBrowserProfiles();
void RemoveBrowserProfiles();  // every root of kRoots

// The keys of the tokens (values named twc-/twf-: what the browsers were
// given to keep) whose key begins with one of `prefixes`.
std::vector<std::string> Keys(std::initializer_list<const char*> prefixes = {""});
std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b);
// What a search must look at: a file's bytes, the LevelDB blocks Snappy can
// hide, and text kept in UTF-16 (Chromium's sessionStorage values).
bool Holds(const std::string& searchable, const std::string& text);
bool FolderHolds(const std::string& folder, const std::string& token);
// The first number `sql` answers in the database, or -1.
long long Sql(const std::string& path, const std::string& sql);
std::string Like(const char* token);  // " LIKE '%<token's value>%'"
size_t Count(const std::string& text, const std::string& part);
