// Name and path helpers shared by the erasers and the tree walker.
#pragma once

#include <string>

#include "platform/win32.h"

// parent + "\" + name: one backslash inserted whatever the parent ends with;
// the file system accepts the doubled one after a parent such as the
// temporary folder, which ends in a backslash.
inline std::string ChildPath(const std::string& parent, const char* name) {
  std::string path;
  path.reserve(parent.size() + 1 + std::char_traits<char>::length(name));
  path.append(parent).append(1, '\\').append(name);
  return path;
}

// "." and ".." byte for byte: a name such as ".. " or "..." is a real entry.
inline bool IsDotEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Case-insensitive comparison with one of the erasers' fixed ASCII names
// ("desktop.ini", "index.dat") or endings (".aut"), given in lower case.
// Folding ASCII letters byte by byte answers exactly as the code page's
// multi-byte comparison would: a name holding any other character has bytes
// of 0x80 or more, which can never equal a byte of an ASCII text.
inline bool IsFixedName(const char* name, const char* fixedLower) {
  for (;; ++name, ++fixedLower) {
    char c = *name;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != *fixedLower) return false;
    if (c == '\0') return true;
  }
}
inline bool HasFixedEnding(const char* name, const char* endingLower) {
  size_t length = std::char_traits<char>::length(name);
  size_t ending = std::char_traits<char>::length(endingLower);
  return length >= ending && IsFixedName(name + length - ending, endingLower);
}

// The attributes of a starting folder, read before it is listed. Trailing
// backslashes are dropped first (not a drive root's): a path that goes on
// past a link's name is resolved through the link, and the link's own
// attributes are the ones that matter. (Observed under Wine 8: "link\"
// reports the target's attributes, without FILE_ATTRIBUTE_REPARSE_POINT.)
inline DWORD StartingFolderAttributes(const std::string& folder) {
  size_t end = folder.size();
  while (end > 1 && (folder[end - 1] == '\\' || folder[end - 1] == '/') &&
         !(end == 3 && folder[1] == ':'))
    --end;
  return GetFileAttributesA(folder.substr(0, end).c_str());
}

// A folder that is itself a reparse point must not be listed, and one whose
// attributes cannot be read is not listed either (a missing folder could not
// be listed anyway, and "" would list the current drive's root).
inline bool IsLink(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}
inline bool MayList(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}
