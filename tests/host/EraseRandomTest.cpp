// Random trees (names, attributes, files held open by other programs, links
// out of the tree and back into it) erased and walked, checked against the
// invariants of the erasers rather than against a fixed expectation:
//   - nothing outside the erased folder changes;
//   - every entry that can be deleted goes;
//   - what is skipped or locked stays, with its contents;
//   - a folder stays exactly when something in it stayed (or it is held open).
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/Primitives.h"
#include "tests/host/SimTest.h"

namespace {

const char kRoot[] = "C:\\R";
const char kOutside[] = "C:\\out";

const char* const kNames[] = {"a.txt",      "B.LOG",     "desktop.ini", "Desktop.INI",
                              "index.dat",  "INDEX.DAT", "Index.Dat",   "cache",
                              "Profile",    "x",         "y.dat",       "desktop.ini.bak"};
const DWORD kAttributeChoices[] = {0,
                                   FILE_ATTRIBUTE_READONLY,
                                   FILE_ATTRIBUTE_HIDDEN,
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                       FILE_ATTRIBUTE_SYSTEM,
                                   FILE_ATTRIBUTE_ARCHIVE};
const DWORD kShareChoices[] = {0, FILE_SHARE_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               FILE_SHARE_READ | FILE_SHARE_DELETE};

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

enum class Kind { kFile, kFolder, kLink };

struct Entry {
  std::string path;
  std::string name;
  Kind kind = Kind::kFile;
  std::string contents;
  DWORD heldShare = 0;
  bool held = false;
  std::vector<Entry> children;
};

// Builds the same tree, on the machine and in the model, for a given seed.
class TreeBuilder {
 public:
  explicit TreeBuilder(unsigned seed) : random_(seed) {}

  void Build(Entry& folder, int depth) {
    std::set<std::string> taken;
    int count = Pick(8);
    for (int i = 0; i < count; ++i) {
      std::string name = kNames[Pick(sizeof kNames / sizeof kNames[0])];
      if (!taken.insert(Lower(name)).second) continue;
      Entry entry;
      entry.name = name;
      entry.path = folder.path + "\\" + name;
      int roll = Pick(10);
      if (roll < 4 && depth < 4) {
        entry.kind = Kind::kFolder;
        sim::MakeDir(entry.path, Attributes());
        Build(entry, depth + 1);
        if (Pick(20) == 0) Hold(entry);
      } else if (roll < 5) {
        entry.kind = Kind::kLink;
        MakeLink(entry.path);
      } else {
        entry.kind = Kind::kFile;
        entry.contents = Contents();
        sim::MakeFile(entry.path, entry.contents, Attributes());
        if (Pick(6) == 0) Hold(entry);
      }
      folder.children.push_back(entry);
    }
  }

  // What links lead to: a folder and a file outside, the root, a dangling path.
  void MakeOutside() {
    sim::MakeFile(std::string(kOutside) + "\\keep.txt", "outside");
    sim::MakeFile(std::string(kOutside) + "\\index.dat", std::string(200, 'o'));
    sim::MakeFile(std::string(kOutside) + "\\sub\\desktop.ini", "[o]", FILE_ATTRIBUTE_READONLY);
    sim::MakeFile(std::string(kOutside) + "\\sub\\ro.txt", "ro", FILE_ATTRIBUTE_READONLY);
  }

 private:
  int Pick(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }

  DWORD Attributes() { return kAttributeChoices[Pick(5)]; }

  std::string Contents() {
    std::string text(static_cast<size_t>(Pick(4) == 0 ? 0 : Pick(300)), 'x');
    for (char& c : text) c = static_cast<char>('a' + Pick(26));
    return text;
  }

  void Hold(Entry& entry) {
    entry.held = true;
    entry.heldShare = kShareChoices[Pick(5)];
    DWORD access = Pick(2) ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    sim::HoldOpen(entry.path, access, entry.heldShare);
  }

  void MakeLink(const std::string& path) {
    switch (Pick(5)) {
      case 0: sim::MakeLink(path, kOutside, true); break;
      case 1: sim::MakeLink(path, std::string(kOutside) + "\\sub", true); break;
      case 2: sim::MakeLink(path, std::string(kOutside) + "\\index.dat", false); break;
      case 3: sim::MakeLink(path, kRoot, true); break;
      default: sim::MakeLink(path, "C:\\nowhere", Pick(2) == 0); break;
    }
  }

  std::mt19937 random_;
};

// A path's state as the machine reports it.
std::string State(const std::string& path) {
  std::ostringstream out;
  out << path << " [" << std::hex << sim::Attributes(path) << "]";
  if (!sim::IsDir(path)) out << " \"" << sim::Contents(path) << "\"";
  return out.str();
}

std::set<std::string> StatesBelow(const std::string& root) {
  std::set<std::string> states;
  for (const std::string& path : sim::Tree(root)) states.insert(State(path));
  return states;
}

bool IsDesktopIni(const Entry& entry) { return Lower(entry.name) == "desktop.ini"; }
bool IsIndexDat(const Entry& entry) { return Lower(entry.name) == "index.dat"; }

DWORD WithoutReadOnly(DWORD attributes) {
  attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

// What each path below the root was before the erasure: its state and attributes.
using Before = std::map<std::string, std::pair<std::string, DWORD>>;

// The model's answer for one entry, adding to `out` what must remain below
// the root; true when the entry stays.
bool Expect(const Entry& entry, const Before& before, int eraseDesktopIni, int overwriteIndexDat,
            std::set<std::string>* out) {
  if (!eraseDesktopIni && IsDesktopIni(entry)) {
    // Skipped whole: it and everything below it exactly as before.
    for (const auto& state : before)
      if (state.first == entry.path ||
          state.first.compare(0, entry.path.size() + 1, entry.path + "\\") == 0)
        out->insert(state.second.first);
    return true;
  }
  std::ostringstream state;
  state << entry.path << " [" << std::hex << WithoutReadOnly(before.at(entry.path).second) << "]";
  switch (entry.kind) {
    case Kind::kLink:
      return false;  // removed, whatever it leads to
    case Kind::kFolder: {
      bool kept = entry.held && !(entry.heldShare & FILE_SHARE_DELETE);
      for (const Entry& child : entry.children)
        kept |= Expect(child, before, eraseDesktopIni, overwriteIndexDat, out);
      if (kept) out->insert(state.str());
      return kept;
    }
    case Kind::kFile: {
      if (entry.held && (entry.heldShare & FILE_SHARE_DELETE)) return false;
      if (!entry.held) return false;
      std::string contents = entry.contents;
      if (overwriteIndexDat && IsIndexDat(entry) && (entry.heldShare & FILE_SHARE_WRITE)) {
        for (size_t i = 64; i < contents.size(); ++i) contents[i] = '\0';
      }
      state << " \"" << contents << "\"";
      out->insert(state.str());
      return true;
    }
  }
  return true;
}

Entry BuildMachine(unsigned seed) {
  sim::Reset();
  TreeBuilder builder(seed);
  builder.MakeOutside();
  Entry root;
  root.path = kRoot;
  root.kind = Kind::kFolder;
  sim::MakeDir(kRoot);
  builder.Build(root, 0);
  return root;
}

constexpr unsigned kSeeds = 300;

TEST(EraseRandomTest, ErasesEverythingDeletableAndNothingElse) {
  for (unsigned seed = 1; seed <= kSeeds; ++seed) {
    Entry root = BuildMachine(seed);
    int eraseDesktopIni = static_cast<int>(seed % 2);
    int overwriteIndexDat = static_cast<int>((seed / 2) % 2);
    std::string dumpBefore = sim::Dump();
    std::set<std::string> outside = StatesBelow(kOutside);
    Before before;
    for (const std::string& path : sim::Tree(kRoot))
      before[path] = {State(path), sim::Attributes(path)};

    EraseFolderContents(kRoot, eraseDesktopIni, overwriteIndexDat);

    std::set<std::string> expected;
    for (const Entry& child : root.children)
      Expect(child, before, eraseDesktopIni, overwriteIndexDat, &expected);
    EXPECT_TRUE(sim::IsDir(kRoot));
    EXPECT_EQ(StatesBelow(kOutside), outside) << "seed " << seed;
    EXPECT_EQ(StatesBelow(kRoot), expected)
        << "seed " << seed << " eraseDesktopIni=" << eraseDesktopIni
        << " overwriteIndexDat=" << overwriteIndexDat << "\nbefore:\n"
        << dumpBefore << "\nafter:\n"
        << sim::Dump();
    if (HasFailure()) break;
  }
}

// Every real folder of the tree, parents first; links are not folders to walk.
void RealFolders(const Entry& folder, std::vector<std::string>* out) {
  out->push_back(folder.path);
  for (const Entry& child : folder.children)
    if (child.kind == Kind::kFolder) RealFolders(child, out);
}

std::vector<std::string> g_visits;

TEST(WalkRandomTest, VisitsEveryRealFolderOnceParentsFirstAndTouchesNothingOutside) {
  for (unsigned seed = 1; seed <= kSeeds; ++seed) {
    Entry root = BuildMachine(seed);
    std::set<std::string> outside = StatesBelow(kOutside);
    g_visits.clear();

    WalkFolderTree(kRoot, [](const std::string& folder) { g_visits.push_back(folder); });

    std::vector<std::string> folders;
    RealFolders(root, &folders);
    std::multiset<std::string> visited(g_visits.begin(), g_visits.end());
    EXPECT_EQ(visited, std::multiset<std::string>(folders.begin(), folders.end()))
        << "seed " << seed;
    std::set<std::string> seen;
    for (const std::string& folder : g_visits) {
      std::string parent = folder.substr(0, folder.rfind('\\'));
      if (folder != kRoot) {
        EXPECT_TRUE(seen.count(parent)) << folder << ", seed " << seed;
      }
      seen.insert(folder);
    }
    // Every read-only bit below the root is cleared; links are left as they
    // are, so the outside keeps its read-only files.
    for (const std::string& path : sim::Tree(kRoot))
      EXPECT_FALSE(sim::Attributes(path) & FILE_ATTRIBUTE_READONLY) << path << ", seed " << seed;
    EXPECT_EQ(StatesBelow(kOutside), outside) << "seed " << seed;
    if (HasFailure()) break;
  }
}

}  // namespace
