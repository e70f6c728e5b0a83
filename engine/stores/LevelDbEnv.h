// The file access a rebuild gives LevelDB, one object per database it opens:
// LevelDB's own Windows environment, except that tables are read with
// ReadFile, ahead of LevelDB's block-sized reads, through a few buffers of
// fixed size; and that a database opened only to be read is left alone.
#pragma once

#include <string>

#include "leveldb/env.h"
#include "platform/win32.h"

class CLevelDbEnv : public leveldb::EnvWrapper {
 public:
  // `onlyRead`: for the private copy, which is opened only to be read. Its
  // files are never deleted by LevelDB (the log it replays at the opening,
  // the tables a compaction merges): deleted, their bytes would stay on the
  // disk, where the copy's erasing through the primitives cannot reach them.
  // And only the thread that made this object (the one opening the
  // database) makes or renames files: LevelDB's background thread starts
  // compacting a copy with four level-0 tables or more as soon as it is
  // open, which a database that is only read does not need; it read and
  // wrote 90 MB of a 56 MB copy during a rebuild, on the background thread
  // the fresh database's writes wait for. Refused, it stops at its first
  // output file and compacts no more.
  explicit CLevelDbEnv(bool onlyRead);
  CLevelDbEnv(const CLevelDbEnv&) = delete;
  CLevelDbEnv& operator=(const CLevelDbEnv&) = delete;

  leveldb::Status NewRandomAccessFile(const std::string& name,
                                      leveldb::RandomAccessFile** file) override;
  leveldb::Status NewWritableFile(const std::string& name, leveldb::WritableFile** file) override;
  leveldb::Status NewAppendableFile(const std::string& name, leveldb::WritableFile** file) override;
  leveldb::Status RenameFile(const std::string& from, const std::string& to) override;
  leveldb::Status RemoveFile(const std::string& name) override;

 private:
  bool MayChange() const;

  bool m_onlyRead;
  DWORD m_opener;
};
