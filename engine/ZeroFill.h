// The one way the erasers overwrite a file: zeros, in chunks of kZeroChunk
// bytes from one buffer, through a handle opened with the same arguments for
// every file, flushed before the handle is closed.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32.h"

constexpr DWORD kZeroChunk = 10000;

// Writes `count` zero bytes at the file pointer: kZeroChunk bytes at a time,
// then the rest (1 to kZeroChunk bytes) in one last write. Write results are
// not looked at: a short or failed write neither stops nor changes the loop.
void ZeroFill(HANDLE file, uint64_t count);

// Overwrites `path` with zeros from byte `offset` to its end, keeping its
// length, and flushes it to the disk. False when it was not opened: missing,
// locked against writing, protected, or a reparse point (never written through).
bool ZeroFillFrom(const std::string& path, uint64_t offset);
