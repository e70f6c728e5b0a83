// What CLevelDbRebuild and RecoverLevelDbSwap share: the private names
// beside a LevelDB folder, and the copying and erasing of those folders.
#pragma once

#include <string>

// The names beside folder F (engine/stores/LevelDb.h says what each holds).
struct LevelDbSiblings {
  explicit LevelDbSiblings(const std::string& folder)
      : copy(folder + ".tidewisp-copy"),
        fresh(folder + ".tidewisp-new"),
        old(folder + ".tidewisp-old"),
        journal(folder + ".tidewisp-swap") {}
  std::string copy, fresh, old, journal;
};

// A name exists, whatever it is.
bool PathExists(const std::string& path);

// Copies one file that is no link into a new file `to` (never over an existing
// one), flushed to the disk when `flush`. False when anything failed; a
// partial `to` is left for the caller's folder to be erased with.
bool CopyPlainFile(const std::string& from, const std::string& to, bool flush);
// Copies the folder `from`, files and folders, into the new folder `to`,
// every file flushed. False at the first link, or when anything failed.
bool CopyTree(const std::string& from, const std::string& to);

// Zero-fills and deletes every file below `folder` (WipeFile), removes its
// folders, and says whether `folder` is gone (true when it was never there).
// A file that stays is counted as left; the files that went are counted as
// erased only when `counted` (the browser's files are; this program's own
// copies are not). A link is not entered and stays, and so does its folder.
bool WipeTree(const std::string& folder, bool counted);

// The journal: written completely and flushed, or not complete.
bool WriteJournal(const std::string& path);  // never over an existing one
bool IsJournalComplete(const std::string& path);
