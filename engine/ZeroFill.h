// The one way the erasers overwrite a file: zeros, in chunks of kZeroChunk
// bytes from one buffer, through a handle opened with the same arguments for
// every file, flushed before the handle is closed.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32.h"

constexpr DWORD kZeroChunk = 10000;

// Writes `count` zero bytes at the file pointer: kZeroChunk bytes at a time,
// then the rest (1 to kZeroChunk bytes) in one last write. A short or failed
// write does not stop the loop: the next chunk still goes to its own place,
// and the rest is overwritten where it can be; the result says whether every
// byte landed. A stopped run stops it between two chunks (engine/Stop.h).
bool ZeroFill(HANDLE file, uint64_t count);

// The write ZeroFill makes: WriteFile. Tests stand in for it to make a write
// fail, which Wine cannot be made to do (a range another handle locked does
// not refuse the write there).
extern BOOL(WINAPI* g_zeroFillWrite)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);

// Overwrites `path` with zeros from byte `offset` to its end, keeping its
// length, and flushes it to the disk. ERROR_SUCCESS when every zero landed,
// with the file's size in `*size` if asked. Otherwise the reason: the open's
// error (ERROR_FILE_NOT_FOUND, ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED
// ...), ERROR_CANT_ACCESS_FILE for a reparse point (never written through),
// ERROR_CANCELLED when the run was stopped before every zero was written, or
// ERROR_WRITE_FAULT when the size, the position or a write failed.
DWORD ZeroFillFrom(const std::string& path, uint64_t offset, uint64_t* size = nullptr);
