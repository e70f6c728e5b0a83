// Internal to the simulated file system: paths, name resolution, nodes and the
// checks that several file calls share. Only platform/sim/File*.cpp include it.
#pragma once

#include <string>
#include <vector>

#include "platform/sim/Machine.h"

namespace sim {

// Status codes and tags the host's win32.h has no use for elsewhere.
constexpr DWORD kErrorNotSameDevice = 17;
constexpr DWORD kErrorCantResolveFilename = 1921;
constexpr DWORD kReparseTagMountPoint = 0xA0000003;
constexpr DWORD kReparseTagSymlink = 0xA000000C;

// Links followed in a row before a path is given up as a loop.
constexpr int kMaxLinkDepth = 32;

// The attribute bits SetFileAttributesA and CreateFileA store; anything else
// (FILE_ATTRIBUTE_NORMAL, DIRECTORY, REPARSE_POINT) is ignored when given.
constexpr DWORD kStoredAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                    FILE_ATTRIBUTE_TEMPORARY | 0x1000 /* OFFLINE */ |
                                    0x2000 /* NOT_CONTENT_INDEXED */;

// A path as the ANSI file calls take it.
struct Path {
  DWORD error = ERROR_SUCCESS;  // the call fails with this before looking at the disk
  std::string text;             // separators normalised: the subject of the call
  char drive = 0;               // upper case
  std::vector<std::string> parts;
  bool trailingSeparator = false;
};

// With `wildcardsInLast` the last component is a listing's pattern: matched
// against names, never rejected.
Path ParsePath(const char* path, bool wildcardsInLast = false);

// Where a path leads.
struct Place {
  DWORD error = ERROR_SUCCESS;  // the folder that would hold the name cannot be reached
  Node* folder = nullptr;       // that folder, links on the way followed; null for a root
  Node* node = nullptr;         // the named entry itself (a link is not followed), or null
  std::string name;             // the last component as written
};

Place Locate(const Path& path, int depth = 0);
// What a link leads to, following chains of links; null when it dangles.
Node* FollowLink(const Node* link, int depth = 0);
// The node, or what it leads to when it is a link.
Node* Target(Node* node);

Node* DriveRoot(char letter);
Node* ChildOf(const Node* folder, const std::string& name);
Node* AddChild(Node* folder, const std::string& name, bool directory);
void RemoveNode(Node* node);
std::string PathOf(const Node* node);

// The attributes GetFileAttributesA and listings report for the node.
DWORD ReportedAttributes(const Node* node);
// Attributes belong to the file, not the name: every hard link sees them.
void SetAttributes(Node* node, DWORD attributes);

// The node's file object, made on first use for folders and links (they are
// opened, and held open, like files).
FileObject& ObjectOf(Node* node);

bool ReadAccess(DWORD access);
bool WriteAccess(DWORD access);
// Whether opening `file` with `access` and `share` collides with its open handles.
bool SharingConflict(const FileObject& file, DWORD access, DWORD share);

// Handle bookkeeping shared by CloseHandle and sim::Release.
OpenFile* FileHandle(HANDLE handle);
void CloseFile(HANDLE handle);
// The subject under which a handle's calls are logged ("" when unknown).
std::string HandleSubject(HANDLE handle);

}  // namespace sim
