// Every record a LevelDB folder's files hold, the dead ones included.
//
// A LevelDB keeps far more than its live entries readable. A log keeps every
// put, overwritten value and deletion it was ever given until it is written
// out as a table (Chromium's small databases are logs only, appended to
// across starts); a table keeps older versions of a key and deletion markers
// until compaction reaches the bottom level; a MANIFEST keeps the smallest
// and largest key of every table it ever listed, and compaction pointers.
// Whether a folder must be rebuilt is therefore decided on all of them.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace leveldb {
class Env;
}

enum class RecordsNamed {
  kNone,        // no record names anything to take out
  kSome,        // at least one does
  kUnreadable,  // a file could not be read, or a record is damaged
};

// Reads the data files `files` of `folder` (the names LevelDB gives them:
// *.log, *.ldb, *.sst, MANIFEST-*, CURRENT) as they lie on the disk, read-only
// and without opening the folder as a database, and calls named(userKey,
// value) on every record they hold, live or dead: each put and deletion of a
// log (value "" for a deletion), each entry of a table (value "" for a
// deletion marker), each key a MANIFEST names (value ""). Stops at the first
// record that names something. Tables are read through `env`.
//
// A log or MANIFEST that ends inside a record (its writer was killed in the
// middle of writing) is read up to its last whole entry, as LevelDB reads it
// without complaint. A record met before the first named one that fails its
// checksum or does not parse, or a table LevelDB cannot read, makes the
// folder one whose layout is not known: kUnreadable.
RecordsNamed FindNamedRecord(const std::string& folder, const std::vector<std::string>& files,
                             leveldb::Env* env,
                             const std::function<bool(std::string_view, std::string_view)>& named);
