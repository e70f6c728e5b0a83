#!/usr/bin/env bash
# Fetches LevelDB 1.23 again from Debian's source package, checks its upstream
# tarball against the pinned SHA-256 and unpacks here the files the library
# needs on Windows: no tests, benchmarks, tools, C binding or POSIX port. The
# checked-in files must equal what this script unpacks (`git diff` after
# running it shows nothing); never edit them by hand.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
source ../debian-source.sh

files=(LICENSE AUTHORS
  include/leveldb/{cache,comparator,db,dumpfile,env,export,filter_policy,iterator}.h
  include/leveldb/{options,slice,status,table,table_builder,write_batch}.h
  port/{port,port_stdcxx,thread_annotations}.h
  db/{builder,db_impl,db_iter,dbformat,filename,log_reader,log_writer,memtable}.{cc,h}
  db/{table_cache,version_edit,version_set}.{cc,h}
  db/{dumpfile,repair,write_batch}.cc db/{log_format,skiplist,snapshot,write_batch_internal}.h
  table/{block,block_builder,filter_block,format,merger,two_level_iterator}.{cc,h}
  table/{iterator,table,table_builder}.cc table/iterator_wrapper.h
  util/{arena,coding,crc32c,hash,logging}.{cc,h}
  util/{bloom,cache,comparator,env,env_windows,filter_policy,options,status}.cc
  util/{env_windows_test_helper,mutexlock,no_destructor,random,windows_logger}.h)

rm -rf LICENSE AUTHORS include port db table util
unpack_debian_orig leveldb leveldb_1.23.orig.tar.gz \
  9a37f8a6174f09bd622bc723b55881dc541cd50747cbd08831c2a82d620f6d76 leveldb-1.23 "${files[@]}"
echo "LevelDB 1.23 unpacked."
