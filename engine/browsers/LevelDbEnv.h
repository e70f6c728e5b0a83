// The file access LevelDB is given by CLevelDbRebuild: LevelDB's own Windows
// environment, except that tables are read with ReadFile, ahead of LevelDB's
// block-sized reads, through a few buffers of fixed size.
#pragma once

namespace leveldb {
class Env;
}

leveldb::Env* LevelDbEnv();
