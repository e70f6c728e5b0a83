// Paths and name resolution of the simulated file system.
//
// The Win32 layer normalises a path before the file system sees it: '/' is a
// separator, empty components and "." vanish, ".." climbs. Names are matched
// case-insensitively and kept as created. A directory link met on the way is
// followed into its target, as NTFS reparses it.
#include <cctype>
#include <cstring>

#include "platform/sim/Files.h"

namespace sim {

namespace {

bool ValidComponent(const std::string& name) {
  for (char c : name)
    if (static_cast<unsigned char>(c) < 32 || std::strchr("<>:\"|?*", c)) return false;
  return true;
}

}  // namespace

Path ParsePath(const char* raw, bool wildcardsInLast) {
  Path path;
  std::string s = raw ? raw : "";
  for (char& c : s)
    if (c == '/') c = '\\';
  if (s.compare(0, 4, "\\\\?\\") == 0) s.erase(0, 4);

  for (char c : s) {
    if (c == '\\' && !path.text.empty() && path.text.back() == '\\') continue;
    path.text += c;
  }
  if (path.text.size() > 3 && path.text.back() == '\\') path.text.pop_back();

  // The ANSI calls convert the name into the thread's static buffer of
  // MAX_PATH + 1 characters, the terminating NUL included.
  if (s.size() > MAX_PATH) {
    path.error = ERROR_FILENAME_EXCED_RANGE;
    return path;
  }
  if (s.size() < 2 || !std::isalpha(static_cast<unsigned char>(s[0])) || s[1] != ':') {
    // Relative and UNC paths: Tidewisp works with full local paths only, so
    // the machine has no current directory or network to resolve them in.
    path.error = ERROR_PATH_NOT_FOUND;
    return path;
  }
  path.drive = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
  path.trailingSeparator = s.size() > 3 && s.back() == '\\';

  std::string part;
  auto flush = [&]() {
    if (part == "..") {
      if (!path.parts.empty()) path.parts.pop_back();
    } else if (!part.empty() && part != ".") {
      path.parts.push_back(part);
    }
    part.clear();
  };
  for (size_t i = 2; i < s.size(); ++i) {
    if (s[i] == '\\') {
      flush();
    } else {
      part += s[i];
    }
  }
  flush();

  // Win32 drops a single trailing period from every name, and all trailing
  // periods and spaces from the last one unless a separator follows it.
  for (std::string& name : path.parts) {
    if (name.size() > 1 && name.back() == '.' && name[name.size() - 2] != '.') name.pop_back();
  }
  if (!path.parts.empty() && !path.trailingSeparator) {
    std::string& last = path.parts.back();
    while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.pop_back();
    if (last.empty()) path.parts.pop_back();
  }

  for (size_t i = 0; i < path.parts.size(); ++i) {
    // A listing's pattern is only matched against names, never rejected.
    bool pattern = wildcardsInLast && i + 1 == path.parts.size();
    if (!pattern && !ValidComponent(path.parts[i])) {
      path.error = ERROR_INVALID_NAME;
      break;
    }
  }
  return path;
}

Node* DriveRoot(char letter) {
  auto& drives = M().drives;
  auto found = drives.find(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
  return found == drives.end() ? nullptr : found->second.get();
}

Node* ChildOf(const Node* folder, const std::string& name) {
  auto found = folder->children.find(Upper(name));
  return found == folder->children.end() ? nullptr : found->second.get();
}

Node* AddChild(Node* folder, const std::string& name, bool directory) {
  auto node = std::make_unique<Node>();
  node->name = name;
  node->directory = directory;
  node->parent = folder;
  if (!directory) node->file = std::make_shared<FileObject>();
  Node* raw = node.get();
  folder->children[Upper(name)] = std::move(node);
  return raw;
}

void RemoveNode(Node* node) { node->parent->children.erase(Upper(node->name)); }

std::string PathOf(const Node* node) {
  if (!node->parent) return node->name + "\\";
  std::string path = node->name;
  for (const Node* up = node->parent; up; up = up->parent) path = up->name + "\\" + path;
  return path;
}

Place Locate(const Path& path, int depth) {
  Place place;
  if (path.error) {
    place.error = path.error;
    return place;
  }
  Node* folder = DriveRoot(path.drive);
  if (!folder) {
    place.error = ERROR_PATH_NOT_FOUND;
    return place;
  }
  if (path.parts.empty()) {
    place.node = folder;
    return place;
  }
  size_t last = path.parts.size() - 1;
  for (size_t i = 0; i < last; ++i) {
    Node* child = ChildOf(folder, path.parts[i]);
    if (child && child->link) child = FollowLink(child, depth);
    if (!child) {
      place.error = ERROR_PATH_NOT_FOUND;
      return place;
    }
    if (!child->directory) {
      // NTFS answers STATUS_NOT_A_DIRECTORY when the file is the immediate
      // parent of the name, and "path not found" further up.
      place.error = i + 1 == last ? ERROR_DIRECTORY : ERROR_PATH_NOT_FOUND;
      return place;
    }
    folder = child;
  }
  place.folder = folder;
  place.name = path.parts[last];
  place.node = ChildOf(folder, place.name);
  return place;
}

Node* FollowLink(const Node* link, int depth) {
  if (depth >= kMaxLinkDepth) return nullptr;
  Place place = Locate(ParsePath(link->linkTarget.c_str()), depth + 1);
  if (place.error || !place.node) return nullptr;
  if (place.node->link) return FollowLink(place.node, depth + 1);
  return place.node;
}

Node* Target(Node* node) { return node && node->link ? FollowLink(node) : node; }

DWORD ReportedAttributes(const Node* node) {
  DWORD attributes = node->attributes;
  if (node->directory) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (node->link) attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

namespace {

void SetOnLinksOf(Node* folder, const FileObject* file, DWORD attributes) {
  for (auto& entry : folder->children) {
    Node* child = entry.second.get();
    if (child->file.get() == file) child->attributes = attributes;
    if (child->directory && !child->link) SetOnLinksOf(child, file, attributes);
  }
}

}  // namespace

void SetAttributes(Node* node, DWORD attributes) {
  node->attributes = attributes & kStoredAttributes;
  const FileObject* file = node->file.get();
  if (node->directory || !file) return;
  // Each name and each open handle hold one reference; more than that means
  // other names (hard links) whose attributes must follow.
  if (node->file.use_count() - static_cast<long>(file->opens.size()) <= 1) return;
  for (auto& drive : M().drives) SetOnLinksOf(drive.second.get(), file, node->attributes);
}

FileObject& ObjectOf(Node* node) {
  if (!node->file) node->file = std::make_shared<FileObject>();
  return *node->file;
}

namespace {

constexpr DWORD kGenericAll = 0x10000000;
constexpr DWORD kGenericExecute = 0x20000000;
constexpr DWORD kFileReadData = 0x0001;
constexpr DWORD kFileWriteData = 0x0002;
constexpr DWORD kFileAppendData = 0x0004;
constexpr DWORD kFileExecute = 0x0020;

bool DeleteAccess(DWORD access) { return access & (DELETE | kGenericAll); }

}  // namespace

bool ReadAccess(DWORD access) {
  return access & (GENERIC_READ | kGenericAll | kGenericExecute | kFileReadData | kFileExecute);
}

bool WriteAccess(DWORD access) {
  return access & (GENERIC_WRITE | kGenericAll | kFileWriteData | kFileAppendData);
}

bool SharingConflict(const FileObject& file, DWORD access, DWORD share) {
  bool read = ReadAccess(access), write = WriteAccess(access), del = DeleteAccess(access);
  // An open for attributes only takes part in no sharing check, either way.
  if (!read && !write && !del) return false;
  for (const OpenFile* open : file.opens) {
    if ((read && !(open->share & FILE_SHARE_READ)) ||
        (write && !(open->share & FILE_SHARE_WRITE)) || (del && !(open->share & FILE_SHARE_DELETE)))
      return true;
    if ((ReadAccess(open->access) && !(share & FILE_SHARE_READ)) ||
        (WriteAccess(open->access) && !(share & FILE_SHARE_WRITE)) ||
        (DeleteAccess(open->access) && !(share & FILE_SHARE_DELETE)))
      return true;
  }
  return false;
}

}  // namespace sim
