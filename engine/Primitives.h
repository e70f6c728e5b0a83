// The erase primitives every target of the cleaning run is built from. All are
// best effort: a failed call skips exactly what needs its result, nothing is
// retried. Every file they delete, and every file they had to leave, is
// counted in g_eraseCount (engine/EraseCount.h); the run reports the totals.
//
// Never through a link: an entry whose listing record carries
// FILE_ATTRIBUTE_REPARSE_POINT is never descended into, walked or written
// through; where its folder is being emptied the link itself is removed and
// its target is left alone. A starting folder that is itself a reparse point
// is not listed at all.
#pragma once

#include <string>
#include <vector>

// Clears FILE_ATTRIBUTE_READONLY of the entry as the file system reports it.
void ClearReadOnly(const std::string& path);

// Deletes everything below `folder`, depth first, and leaves `folder` itself.
// eraseDesktopIni == 0 leaves every entry named desktop.ini (any case) alone;
// overwriteIndexDat != 0 zero-fills files named index.dat (any case) from
// byte 64 before deleting them. Both hold for the whole tree.
void EraseFolderContents(const std::string& folder, int eraseDesktopIni, int overwriteIndexDat);

// As EraseFolderContents(folder, 0, 0), except that the entries named in
// `keep` (paths below `folder`, in any case) stay, and so do the folders
// that hold them.
void EraseFolderContentsExcept(const std::string& folder, const std::vector<std::string>& keep);

// Empties `folder` as EraseFolderContents does, desktop.ini included, then
// removes it. True when it is gone (or was never there). A folder that is
// itself a link is neither emptied nor removed.
bool RemoveWholeFolder(const std::string& folder);

// Zero-fills folder\name from byte 64 to its end, keeping its length and its
// 64-byte header. 1 when the file was opened, 0 when it could not be.
int OverwriteIndexDat(const std::string& folder, const std::string& name);

// What became of one file an eraser was asked to destroy.
enum class EraseResult {
  kErased,   // gone, and counted with its size
  kMissing,  // there was nothing of that name (or it is a folder)
  kLeft,     // it stays: in use, access denied, protected; counted as left
  kStopped,  // it stays, maybe partly zeroed: the run was stopped meanwhile
};

// Zero-fills the whole file, flushes it to the disk, then deletes it. A file
// that cannot be opened for writing (read-only, locked) or is a link, or
// whose zeros did not all land, is not deleted: it is left, and counted so.
// A file whose wipe a stopped run cut short is not deleted either, nor
// counted: nothing refused it.
EraseResult WipeFile(const std::string& path);

// Deletes one file named by its full path, counting it with its size (which
// no listing gives here, so its attributes are read first; a missing name
// costs that one call instead of a failing delete). A folder of that name is
// left alone and not counted.
EraseResult DeleteNamedFile(const std::string& path);

// Deletes each file of `folder` (not of its subfolders) whose name ends in
// `suffix` (".log"; any case).
void DeleteMatching(const std::string& folder, const std::string& suffix);

// Calls visitor(folder), then walks every folder below it, pre-order, clearing
// read-only bits on its way. A visitor receives nothing but a folder path.
using FolderVisitor = void (*)(const std::string& folder);
void WalkFolderTree(const std::string& folder, FolderVisitor visitor);

// The visitors of the Netscape and Mozilla profile trees.
void EraseNetscapeCache(const std::string& folder);    // \Cache, \NewCache emptied
void EraseNetscapeHistory(const std::string& folder);  // \history.dat, \netscape.hst
void EraseNetscapeCookies(const std::string& folder);  // \cookies.txt
void EraseNetscapeMail(const std::string& folder);     // \Trash, \Trash.msf, \Sent

// Deletes the Internet cache's cookie entries (nonCookieEntries == 0) or every
// other entry (non-zero), one record block at a time.
void PurgeUrlCache(int nonCookieEntries);
