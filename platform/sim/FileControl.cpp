// The control API of the simulated file system (Sim.h): tests build drives,
// folders, files and links with it, look at the result without going through
// the logged Win32 calls, and read the whole tree in a failure message.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "platform/sim/Files.h"

namespace sim {

namespace {

// A test that builds an impossible machine has a bug of its own; stop it
// where it happens rather than let it test something else.
[[noreturn]] void Misuse(const char* what, const std::string& path) {
  std::fprintf(stderr, "sim: %s: %s\n%s", what, path.c_str(), DumpFiles().c_str());
  std::abort();
}

Path Parsed(const std::string& path) {
  Path parsed = ParsePath(path.c_str());
  if (parsed.error) Misuse("not a full path", path);
  return parsed;
}

// The folder that holds the path's last name, made as needed.
Node* MakeParents(const Path& path, const std::string& text) {
  AddDrive(path.drive);
  Node* folder = DriveRoot(path.drive);
  for (size_t i = 0; i + 1 < path.parts.size(); ++i) {
    Node* child = Target(ChildOf(folder, path.parts[i]));
    if (!child) child = AddChild(folder, path.parts[i], true);
    if (!child->directory) Misuse("a file stands where a folder is needed", text);
    folder = child;
  }
  return folder;
}

// The named node itself, links not followed; null when missing.
Node* Lookup(const std::string& path) {
  Path parsed = ParsePath(path.c_str());
  Place place = Locate(parsed);
  return place.error ? nullptr : place.node;
}

Node* MakeFileNode(const std::string& path, DWORD attributes) {
  Path parsed = Parsed(path);
  if (parsed.parts.empty()) Misuse("a drive root is not a file", path);
  Node* folder = MakeParents(parsed, path);
  Node* node = ChildOf(folder, parsed.parts.back());
  if (node && (node->directory || node->link)) Misuse("not a plain file", path);
  if (!node) node = AddChild(folder, parsed.parts.back(), false);
  node->file->data.Resize(0);
  // Like a file another program wrote: archive unless told otherwise.
  SetAttributes(node, attributes ? attributes : FILE_ATTRIBUTE_ARCHIVE);
  return node;
}

std::string AttributeLetters(DWORD reported) {
  static const struct {
    DWORD bit;
    char letter;
  } kLetters[] = {{FILE_ATTRIBUTE_READONLY, 'R'},     {FILE_ATTRIBUTE_HIDDEN, 'H'},
                  {FILE_ATTRIBUTE_SYSTEM, 'S'},       {FILE_ATTRIBUTE_ARCHIVE, 'A'},
                  {FILE_ATTRIBUTE_NORMAL, 'N'},       {FILE_ATTRIBUTE_TEMPORARY, 'T'},
                  {FILE_ATTRIBUTE_REPARSE_POINT, 'L'}};
  std::string letters;
  for (const auto& entry : kLetters)
    if (reported & entry.bit) letters += entry.letter;
  return letters;
}

void DumpNode(const Node& node, int depth, std::ostringstream& out) {
  out << std::string(2 + 2 * depth, ' ') << node.name << (node.directory ? "\\" : "") << "  ["
      << AttributeLetters(ReportedAttributes(&node)) << "]";
  if (node.link) out << " -> " << node.linkTarget;
  if (!node.directory && !node.link && node.file) {
    out << " " << node.file->data.Size() << " bytes";
    long names = node.file.use_count() - static_cast<long>(node.file->opens.size());
    if (names > 1) out << ", " << names << " names";
  }
  if (node.file && !node.file->opens.empty()) out << ", " << node.file->opens.size() << " open";
  out << "\n";
  if (node.link) return;
  for (const auto& child : node.children) DumpNode(*child.second, depth + 1, out);
}

void Collect(const Node& folder, const std::string& prefix, std::vector<std::string>* paths) {
  for (const auto& entry : folder.children) {
    const Node& child = *entry.second;
    std::string path = prefix + child.name;
    paths->push_back(path);
    if (child.directory && !child.link) Collect(child, path + "\\", paths);
  }
}

}  // namespace

void AddDrive(char letter) {
  char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  auto& drive = M().drives[upper];
  if (drive) return;
  drive = std::make_unique<Node>();
  drive->name = std::string(1, upper) + ":";
  drive->directory = true;
}

void MakeDir(const std::string& path, DWORD attributes) {
  Path parsed = Parsed(path);
  Node* folder = MakeParents(parsed, path);
  if (parsed.parts.empty()) return;
  Node* node = Target(ChildOf(folder, parsed.parts.back()));
  if (!node) node = AddChild(folder, parsed.parts.back(), true);
  if (!node->directory) Misuse("a file stands where a folder is asked for", path);
  node->attributes = attributes & kStoredAttributes;
}

void MakeFile(const std::string& path, const std::string& contents, DWORD attributes) {
  Node* node = MakeFileNode(path, attributes);
  node->file->data.Write(0, reinterpret_cast<const uint8_t*>(contents.data()), contents.size());
}

void MakeBigFile(const std::string& path, uint64_t size, uint8_t fill) {
  Node* node = MakeFileNode(path, 0);
  node->file->data.Fill(0, size, fill);
}

void MakeLink(const std::string& path, const std::string& target, bool directory) {
  Path parsed = Parsed(path);
  if (parsed.parts.empty()) Misuse("a drive root cannot be a link", path);
  Node* folder = MakeParents(parsed, path);
  if (ChildOf(folder, parsed.parts.back())) Misuse("the name is taken", path);
  Node* link = AddChild(folder, parsed.parts.back(), directory);
  link->link = true;
  link->linkTarget = Parsed(target).text;
  // As mklink leaves them: a file link is marked for archiving, a folder link not.
  link->attributes = directory ? 0 : FILE_ATTRIBUTE_ARCHIVE;
  link->file.reset();
}

bool Exists(const std::string& path) { return Lookup(path) != nullptr; }

bool IsDir(const std::string& path) {
  Node* node = Lookup(path);
  return node && node->directory;
}

DWORD Attributes(const std::string& path) {
  Node* node = Lookup(path);
  return node ? ReportedAttributes(node) : INVALID_FILE_ATTRIBUTES;
}

std::string Contents(const std::string& path) {
  Node* node = Target(Lookup(path));
  if (!node || !node->file) return "";
  std::string contents(node->file->data.Size(), '\0');
  node->file->data.Read(0, reinterpret_cast<uint8_t*>(&contents[0]), contents.size());
  return contents;
}

uint64_t FileSize(const std::string& path) {
  Node* node = Target(Lookup(path));
  return node && node->file ? node->file->data.Size() : 0;
}

bool BytesAre(const std::string& path, uint64_t from, uint8_t byte) {
  Node* node = Target(Lookup(path));
  return node && node->file && node->file->data.AllAre(from, byte);
}

std::vector<std::string> Tree(const std::string& root) {
  std::vector<std::string> paths;
  Node* folder = Target(Lookup(root));
  if (!folder || !folder->directory) return paths;
  std::string prefix = ParsePath(root.c_str()).text;
  if (prefix.back() != '\\') prefix += '\\';
  Collect(*folder, prefix, &paths);
  return paths;
}

HANDLE HoldOpen(const std::string& path, DWORD access, DWORD share) {
  Node* node = Target(Lookup(path));
  if (!node) Misuse("nothing to hold open", path);
  auto open = std::make_unique<OpenFile>();
  ObjectOf(node);
  open->file = node->file;
  open->path = Parsed(path).text;
  open->access = access;
  open->share = share;
  open->directory = node->directory;
  open->file->opens.push_back(open.get());
  HANDLE handle = NewHandle();
  M().files[handle] = std::move(open);
  return handle;
}

void Release(HANDLE handle) {
  if (!FileHandle(handle)) Misuse("not a handle from HoldOpen", "");
  CloseFile(handle);
}

void ResetFiles() {
  // The system's own folders; System.cpp adds the profile's special folders.
  AddDrive('C');
  MakeDir(kWindowsDir);
  MakeDir(kProfileDir);
  MakeDir(kTempDir);
}

std::string DumpFiles() {
  Machine& m = M();
  std::ostringstream out;
  out << "files:\n";
  for (const auto& drive : m.drives) DumpNode(*drive.second, 0, out);
  for (const auto& entry : m.files) {
    const OpenFile& open = *entry.second;
    out << "  open " << entry.first << " " << open.path << std::hex << " access=0x" << open.access
        << " share=0x" << open.share << std::dec << " at " << open.pointer << "\n";
  }
  for (const auto& entry : m.finds)
    out << "  listing " << entry.first << " " << HandleSubject(entry.first) << ", "
        << entry.second->pending.size() << " names to come\n";
  return out.str();
}

}  // namespace sim
