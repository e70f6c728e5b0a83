// The simulated machine's file calls that take a name: attributes, deleting,
// folders, hard links and CreateFileA.
//
// Each answers with the status Windows (NTFS) gives; the conformance tests in
// tests/conformance/Files*.cpp pin them against Wine, and docs/platform.md
// lists where Wine answers otherwise.
#include "platform/sim/Files.h"

namespace sim {

namespace {

constexpr DWORD kAllSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

BOOL Fail(DWORD status) {
  M().lastError = status;
  return FALSE;
}

bool Creates(DWORD disposition) {
  return disposition == CREATE_NEW || disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
}

// A name below a file cannot be created: there the file is just a missing
// folder on the way ("path not found"), where opening it says ERROR_DIRECTORY.
DWORD CreateError(DWORD error) { return error == ERROR_DIRECTORY ? ERROR_PATH_NOT_FOUND : error; }

// The node a call on the name acts on, or the status when there is none.
// Links are not followed: the calls using this act on the link itself.
Node* Named(const Path& path, DWORD* error) {
  Place place = Locate(path);
  *error = place.error;
  if (place.error) return nullptr;
  if (!place.node) {
    *error = ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  // "file\" names a folder that a file cannot be.
  if (path.trailingSeparator && !place.node->directory) {
    *error = ERROR_INVALID_NAME;
    return nullptr;
  }
  return place.node;
}

struct Opened {
  DWORD error = ERROR_SUCCESS;
  Node* node = nullptr;
  bool existed = false;
};

Opened Fails(DWORD error) {
  Opened opened;
  opened.error = error;
  return opened;
}

Opened OpenPath(const Path& path, DWORD access, DWORD share, DWORD disposition, DWORD flags,
                int depth) {
  Place place = Locate(path);
  if (place.error) return Fails(Creates(disposition) ? CreateError(place.error) : place.error);
  Node* node = place.node;

  if (node && node->link && !(flags & FILE_FLAG_OPEN_REPARSE_POINT)) {
    // The target is opened (or created) as if its own name had been given.
    if (depth >= kMaxLinkDepth) return Fails(kErrorCantResolveFilename);
    return OpenPath(ParsePath(node->linkTarget.c_str()), access, share, disposition, flags,
                    depth + 1);
  }

  if (!node) {
    if (!Creates(disposition)) return Fails(ERROR_FILE_NOT_FOUND);
    if (path.trailingSeparator) return Fails(ERROR_INVALID_NAME);
    Node* created = AddChild(place.folder, place.name, false);
    SetAttributes(created, (flags & kStoredAttributes) | FILE_ATTRIBUTE_ARCHIVE);
    Opened opened;
    opened.node = created;
    return opened;
  }

  if (disposition == CREATE_NEW) return Fails(ERROR_FILE_EXISTS);
  bool truncates = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
  if (node->directory) {
    // A folder opens only as a folder handle, and never to be emptied.
    if (!(flags & FILE_FLAG_BACKUP_SEMANTICS) || truncates) return Fails(ERROR_ACCESS_DENIED);
  } else {
    if (path.trailingSeparator) return Fails(ERROR_INVALID_NAME);
    if ((node->attributes & FILE_ATTRIBUTE_READONLY) && (WriteAccess(access) || truncates))
      return Fails(ERROR_ACCESS_DENIED);
    // Overwriting a hidden or system file must repeat those attributes.
    DWORD guarded = node->attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    if (disposition == CREATE_ALWAYS && (guarded & ~flags)) return Fails(ERROR_ACCESS_DENIED);
  }
  FileObject& object = ObjectOf(node);
  if (SharingConflict(object, access, share)) return Fails(ERROR_SHARING_VIOLATION);
  if (disposition == TRUNCATE_EXISTING && !WriteAccess(access))
    return Fails(ERROR_INVALID_PARAMETER);
  if (truncates) object.data.Resize(0);
  if (disposition == CREATE_ALWAYS)
    SetAttributes(node, (flags & kStoredAttributes) | FILE_ATTRIBUTE_ARCHIVE);
  Opened opened;
  opened.node = node;
  opened.existed = true;
  return opened;
}

}  // namespace

}  // namespace sim

using namespace sim;

extern "C" {

DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
  Path path = ParsePath(lpFileName);
  if (Enter("GetFileAttributesA", path.text)) return INVALID_FILE_ATTRIBUTES;
  DWORD error = ERROR_SUCCESS;
  Node* node = Named(path, &error);
  if (!node) {
    M().lastError = error;
    return INVALID_FILE_ATTRIBUTES;
  }
  return ReportedAttributes(node);
}

BOOL WINAPI SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) {
  Path path = ParsePath(lpFileName);
  if (Enter("SetFileAttributesA", path.text, 0, dwFileAttributes)) return FALSE;
  DWORD error = ERROR_SUCCESS;
  Node* node = Named(path, &error);
  if (!node) return Fail(error);
  SetAttributes(node, dwFileAttributes);
  return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
  Path path = ParsePath(lpFileName);
  if (Enter("DeleteFileA", path.text)) return FALSE;
  DWORD error = ERROR_SUCCESS;
  Node* node = Named(path, &error);
  if (!node) return Fail(error);
  if (node->directory) return Fail(ERROR_ACCESS_DENIED);
  if (node->file && SharingConflict(*node->file, DELETE, kAllSharing))
    return Fail(ERROR_SHARING_VIOLATION);
  if (node->attributes & FILE_ATTRIBUTE_READONLY) return Fail(ERROR_ACCESS_DENIED);
  // The name goes at once, as on Windows 10 and later; handles still open
  // keep the contents until they close.
  RemoveNode(node);
  return TRUE;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR lpPathName) {
  Path path = ParsePath(lpPathName);
  if (Enter("RemoveDirectoryA", path.text)) return FALSE;
  DWORD error = ERROR_SUCCESS;
  Node* node = Named(path, &error);
  if (!node) return Fail(error == ERROR_INVALID_NAME ? ERROR_DIRECTORY : error);
  if (!node->directory) return Fail(ERROR_DIRECTORY);
  if (!node->parent) return Fail(ERROR_ACCESS_DENIED);
  if (node->file && SharingConflict(*node->file, DELETE, kAllSharing))
    return Fail(ERROR_SHARING_VIOLATION);
  if (node->attributes & FILE_ATTRIBUTE_READONLY) return Fail(ERROR_ACCESS_DENIED);
  // A link is removed as it stands; what it leads to is not looked at.
  if (!node->link && !node->children.empty()) return Fail(ERROR_DIR_NOT_EMPTY);
  RemoveNode(node);
  return TRUE;
}

BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES) {
  Path path = ParsePath(lpPathName);
  if (Enter("CreateDirectoryA", path.text)) return FALSE;
  Place place = Locate(path);
  if (place.error) return Fail(CreateError(place.error));
  if (place.node) return Fail(ERROR_ALREADY_EXISTS);
  AddChild(place.folder, place.name, true);
  return TRUE;
}

BOOL WINAPI CreateHardLinkA(LPCSTR lpFileName, LPCSTR lpExistingFileName, LPSECURITY_ATTRIBUTES) {
  Path path = ParsePath(lpFileName);
  Path existing = ParsePath(lpExistingFileName);
  if (Enter("CreateHardLinkA", path.text)) return FALSE;
  DWORD error = ERROR_SUCCESS;
  Node* source = Named(existing, &error);
  if (!source) return Fail(error);
  // A symbolic link gives a hard link to its target.
  source = Target(source);
  if (!source) return Fail(ERROR_FILE_NOT_FOUND);
  if (source->directory) return Fail(ERROR_ACCESS_DENIED);
  Place place = Locate(path);
  if (place.error) return Fail(CreateError(place.error));
  if (place.node) return Fail(ERROR_ALREADY_EXISTS);
  if (path.drive != existing.drive) return Fail(kErrorNotSameDevice);
  Node* link = AddChild(place.folder, place.name, false);
  link->file = source->file;
  link->attributes = source->attributes;
  return TRUE;
}

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE) {
  Path path = ParsePath(lpFileName);
  if (Enter("CreateFileA", path.text, 0, dwDesiredAccess)) return INVALID_HANDLE_VALUE;
  if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING) {
    Fail(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  Opened opened =
      OpenPath(path, dwDesiredAccess, dwShareMode, dwCreationDisposition, dwFlagsAndAttributes, 0);
  if (opened.error) {
    Fail(opened.error);
    return INVALID_HANDLE_VALUE;
  }
  auto open = std::make_unique<OpenFile>();
  open->file = opened.node->file;
  open->path = path.text;
  open->access = dwDesiredAccess;
  open->share = dwShareMode;
  open->directory = opened.node->directory;
  open->file->opens.push_back(open.get());
  HANDLE handle = NewHandle();
  M().files[handle] = std::move(open);
  bool reused = opened.existed &&
                (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS);
  M().lastError = reused ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
  return handle;
}

}  // extern "C"
