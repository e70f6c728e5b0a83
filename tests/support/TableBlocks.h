// What a search for a token must look at in a file.
#pragma once

#include <string>

// The file's bytes and, for a LevelDB table (.ldb, .sst), each of its blocks
// decompressed after them: Snappy can hide a string that is there, when part
// of it is written as a copy of earlier bytes.
std::string SearchableBytes(const std::string& path);
