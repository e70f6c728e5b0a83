// A file read or written whole: the small files of other programs that a
// step gives new contents (a browser's Preferences, Firefox's
// serviceworker.txt, a jump list), swapped in so that the file is never
// missing or half written, and the old contents wiped.
#pragma once

#include <functional>
#include <string>

// An existing file that is no link.
bool IsPlainFile(const std::string& path);
// The whole file; false when it cannot be read (missing included).
bool ReadWholeFile(const std::string& path, std::string& contents);

// Gives a file new contents: written to "<path>.tidewisp-new" and flushed,
// swapped in with ReplaceFileA (the file keeps its attributes and security),
// the old contents kept meanwhile as "<path>.tidewisp-old", which is then
// wiped. When the swap fails with the old file already renamed, it is renamed
// back: the program never loses the file. False, and the file as it was, when
// a step fails.
bool ReplaceWholeFile(const std::string& path, const std::string& contents);
// The same, with the new file made by `write`, which is given the name to
// create (never over an existing file) and answers whether it is complete
// and flushed to the disk. A file it leaves when it fails is deleted.
bool ReplaceWholeFileWith(const std::string& path,
                          const std::function<bool(const std::string& fresh)>& write);
// What a run cut short in ReplaceWholeFile left beside `path`, put right
// before anything reads the file: the backup still holds what was erased,
// whether or not anything is left to erase now.
void RecoverWholeFile(const std::string& path);
