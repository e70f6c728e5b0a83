// One of Windows' jump lists, <AppID>.automaticDestinations-ms in the Recent
// folder's AutomaticDestinations: an OLE compound file holding a DestList
// stream (a 32-byte header, then one entry per item, most recent first), one
// stream per entry named by its number in hexadecimal (a shell link to the
// item), and sometimes others (DestListPropertyStore). Explorer's own list
// holds the folders pinned to Quick Access; a program's holds the items
// pinned to its taskbar jump list.
//
// Read through Structured Storage, read-only. What stays is written into a
// new compound file: deleting a stream in place only marks its sectors free,
// and the history it held stays readable in the file.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class CJumpList {
 public:
  enum class Status {
    kRead,        // read whole, and understood
    kGone,        // no file of that name
    kHeld,        // another program holds it (Explorer, while it writes it)
    kUnreadable,  // not a compound file, damaged, or a DestList this program does not know
  };

  CJumpList() = default;
  CJumpList(const CJumpList&) = delete;
  CJumpList& operator=(const CJumpList&) = delete;

  // Reads every stream of the file, so that damage anywhere in it is found
  // before anything is decided, and keeps what a rewrite needs. An empty
  // file, or a list without a DestList or with an empty one, is read and has
  // no pins.
  Status Read(const std::string& path);
  bool HasPins() const { return m_pinned > 0; }

  // Makes a new compound file named `fresh` (never over an existing one)
  // with the pinned entries, each byte for byte with its stream, a DestList
  // header that agrees with them, and every stream that is not an entry's,
  // unchanged. True when the file is on the disk and reads back as written.
  bool WritePinned(const std::string& fresh) const;

 private:
  uint32_t m_pinned = 0;
  // What a rewrite writes, the new DestList first: name, contents.
  std::vector<std::pair<std::wstring, std::string>> m_keptStreams;
};
