// Helpers of the erasers' host tests: what the program wrote, in which order,
// and what a file holds, read the way the program would read it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sim/Sim.h"

using Sizes = std::vector<uint64_t>;
using Names = std::vector<std::string>;

// The byte count of every WriteFile so far, in order.
inline Sizes WriteSizes() {
  Sizes sizes;
  for (const sim::Call& call : sim::CallsOf("WriteFile")) sizes.push_back(call.size);
  return sizes;
}

// The calls that open, size, position, write, flush, close and delete files,
// in the order they were made.
inline Names FileCallNames() {
  static const char* const kFileCalls[] = {
      "CreateFileA", "GetFileSize", "GetFileSizeEx", "SetFilePointer", "SetFilePointerEx",
      "WriteFile",   "FlushFileBuffers", "CloseHandle", "DeleteFileA"};
  Names names;
  for (const sim::Call& call : sim::Calls())
    for (const char* name : kFileCalls)
      if (call.name == name) names.push_back(call.name);
  return names;
}

// The first `count` bytes of a file (fewer when it is shorter): cheap where
// sim::Contents would copy a file of gigabytes.
inline std::string ReadHead(const std::string& path, DWORD count) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<cannot open>";
  std::string head(count, '\0');
  DWORD got = 0;
  ReadFile(file, &head[0], count, &got, nullptr);
  CloseHandle(file);
  head.resize(got);
  return head;
}

// The machine's files, registry and cache as text, without the call log.
inline std::string MachineState() {
  sim::ClearCalls();
  return sim::Dump();
}
