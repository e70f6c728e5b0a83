// A file read or written whole: the small files of other programs that a
// step gives new contents (a browser's Preferences, Firefox's
// serviceworker.txt, a jump list), swapped in so that the file is never
// missing or half written, and the old contents wiped.
//
// Beside the file P (the private names a swap uses, gone again when it ends):
//   P.tidewisp-new   the new contents, complete and flushed before the journal
//   P.tidewisp-old   P itself once swapped out, until it is wiped
//   P.tidewisp-swap  the journal: a fingerprint of the old and of the new
//                    contents, flushed before the first rename
// The order, so that a run killed at any step leaves a state the next run
// can finish or undo (RecoverWholeFile): new -> journal -> ReplaceFileA (P to
// old, then new to P: two renames under Wine, and Windows promises no more)
// -> wipe old -> delete the journal. docs/browsers.md has the table of what
// a kill at each step leaves.
#pragma once

#include <functional>
#include <string>

#include "platform/win32.h"

// An existing file that is no link.
bool IsPlainFile(const std::string& path);
// The whole file; false when it cannot be read (missing included).
bool ReadWholeFile(const std::string& path, std::string& contents);

// Gives a file new contents: written to P.tidewisp-new and flushed, swapped
// in under the journal with ReplaceFileA (the file keeps its attributes and
// security), the old contents then wiped. When the swap fails with the old
// file already renamed, it is renamed back at once. False, and the file as it
// was, when a step fails (or the journal has the next run finish the swap);
// false, touching nothing, while a swap a run before left is not yet put
// right with RecoverWholeFile.
bool ReplaceWholeFile(const std::string& path, const std::string& contents);
// The same, with the new file made by `write`, which is given the name to
// create (never over an existing file) and answers whether it is complete
// and flushed to the disk. A file it leaves when it fails is wiped.
bool ReplaceWholeFileWith(const std::string& path,
                          const std::function<bool(const std::string& fresh)>& write);
// What a run cut short in a swap of `path` left beside it, put right before
// anything reads the file: the swap is finished when the file is still the
// old one and the new one is whole (the new one wins: it is the old file with
// only what the step takes removed), undone when no rename was made or the
// new one is not whole, and the leftovers wiped. A file another program wrote
// since stays as it is. With no whole copy to put back, every copy stays
// under its name for the next run.
void RecoverWholeFile(const std::string& path);
// Whether a swap of `path` left anything beside it: a profile whose file is
// missing is still one to recover.
bool HasWholeFileSwap(const std::string& path);

// Tests stand in for a run killed right after one of these steps, which
// nothing else can make happen at a chosen point: g_wholeFileStep (nullptr
// by default) is called after each, with the file's path.
enum class WholeFileStep { kFreshWritten, kJournalWritten, kSwapped, kOldErased };
extern void (*g_wholeFileStep)(WholeFileStep step, const std::string& path);
// The swap's one ReplaceFileA call. Tests stand in for it to make it fail
// after its first rename, or to end the run between its two renames, which
// Wine cannot be made to do.
extern BOOL(WINAPI* g_replaceFile)(LPCSTR replaced, LPCSTR replacement, LPCSTR backup, DWORD flags,
                                   LPVOID exclude, LPVOID reserved);
