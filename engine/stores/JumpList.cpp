#include "engine/stores/JumpList.h"

#include <algorithm>
#include <cstring>

#include "engine/EraseCount.h"
#include "engine/Handles.h"
#include "platform/win32.h"

namespace {

// The one owner of a COM interface pointer.
template <typename T>
class CComRef {
 public:
  CComRef() = default;
  ~CComRef() {
    if (m_p) m_p->Release();
  }
  CComRef(const CComRef&) = delete;
  CComRef& operator=(const CComRef&) = delete;
  T* Get() const { return m_p; }
  T* operator->() const { return m_p; }
  T** Out() { return &m_p; }
  void** OutVoid() { return reinterpret_cast<void**>(&m_p); }

 private:
  T* m_p = nullptr;
};

using Streams = std::vector<std::pair<std::wstring, std::string>>;

// Windows keeps a jump list to a few hundred entries of a few hundred bytes
// each: a file past this is none that Windows wrote, and is left.
constexpr uint64_t kLargest = 16 << 20;
constexpr size_t kHeader = 32;
constexpr uint32_t kNotPinned = 0xFFFFFFFF;

// Paths reach this program in the code page its "A" calls speak.
std::wstring Wide(const std::string& text) {
  int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(length > 0 ? length : 1, L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
  wide.resize(wide.size() - 1);
  return wide;
}

uint32_t U32(const std::string& bytes, size_t at) {
  uint32_t value;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}
void PutU32(std::string& bytes, size_t at, uint32_t value) { std::memcpy(&bytes[at], &value, 4); }
float F32(const std::string& bytes, size_t at) {
  float value;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

// Every stream of the storage, read whole. False when any cannot be: a file
// cut short still opens, and only reading the cut stream finds it (under
// Wine 8 that read answers S_OK with fewer bytes than the stream holds; cut
// into its directory, the listing fails part-way with STG_E_READFAULT).
// Structured Storage names its elements in memory the caller frees.
bool ReadStreams(IStorage* storage, Streams& streams) {
  CComRef<IEnumSTATSTG> elements;
  if (FAILED(storage->EnumElements(0, nullptr, 0, elements.Out()))) return false;
  STATSTG stat;
  uint64_t total = 0;
  HRESULT next;
  while ((next = elements->Next(1, &stat, nullptr)) == S_OK) {
    std::wstring name = stat.pwcsName ? stat.pwcsName : L"";
    CoTaskMemFree(stat.pwcsName);
    // A storage inside the file is nothing a jump list holds.
    total += stat.cbSize.QuadPart;
    if (stat.type != STGTY_STREAM || total > kLargest) return false;
    CComRef<IStream> stream;
    if (FAILED(storage->OpenStream(name.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                   stream.Out())))
      return false;
    std::string data(static_cast<size_t>(stat.cbSize.QuadPart), '\0');
    ULONG read = 0;
    if (!data.empty() && (FAILED(stream->Read(&data[0], static_cast<ULONG>(data.size()), &read)) ||
                          read != data.size()))
      return false;
    streams.emplace_back(std::move(name), std::move(data));
  }
  return next == S_FALSE;
}

// An entry's stream: its number in hexadecimal, as Windows names it.
bool EntryNumber(const std::wstring& name, uint32_t& number) {
  if (name.empty() || name.size() > 8) return false;
  number = 0;
  for (wchar_t c : name) {
    int digit = c >= L'0' && c <= L'9'   ? c - L'0'
                : c >= L'a' && c <= L'f' ? c - L'a' + 10
                : c >= L'A' && c <= L'F' ? c - L'A' + 10
                                         : -1;
    if (digit < 0) return false;
    number = number << 4 | static_cast<uint32_t>(digit);
  }
  return true;
}

struct Entry {
  size_t offset, size;
  uint32_t number;
  bool pinned;
};

// The entries of a DestList of a known version, or false when they do not
// fill the stream exactly as its header counts them. Version 1 (Windows 7 to
// 8.1) has the path's length at 112; 3, 4 and 6 (Windows 10 and 11) at 128,
// and 4 bytes after the path.
bool ParseEntries(const std::string& list, std::vector<Entry>& entries) {
  uint32_t version = U32(list, 0);
  if (version != 1 && version != 3 && version != 4 && version != 6) return false;
  size_t lengthAt = version == 1 ? 112 : 128, fixed = version == 1 ? 114 : 134;
  size_t offset = kHeader;
  for (uint32_t n = U32(list, 4); n > 0; --n) {
    if (list.size() - offset < fixed) return false;
    uint16_t length;
    std::memcpy(&length, list.data() + offset + lengthAt, 2);
    size_t size = fixed + 2 * size_t{length};
    if (list.size() - offset < size) return false;
    entries.push_back(
        {offset, size, U32(list, offset + 88), U32(list, offset + 108) != kNotPinned});
    offset += size;
  }
  return offset == list.size();
}

// Quick Access's entries carry at 112 a rank that Windows keeps a
// permutation of 0 to n-1 over the entries, even after it drops one: the
// kept ones are ranked again in the same order. Any other list has -1 there
// (and version 1 its path's length): left as it is.
void Rerank(const std::string& list, const std::vector<Entry>& entries, std::string& kept) {
  if (U32(list, 0) == 1) return;
  std::vector<uint32_t> ranks;
  for (const Entry& entry : entries) ranks.push_back(U32(list, entry.offset + 112));
  std::vector<uint32_t> sorted = ranks;
  std::sort(sorted.begin(), sorted.end());
  for (uint32_t i = 0; i < sorted.size(); ++i)
    if (sorted[i] != i) return;
  size_t at = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!entries[i].pinned) continue;
    uint32_t rank = 0;
    for (size_t j = 0; j < entries.size(); ++j) rank += entries[j].pinned && ranks[j] < ranks[i];
    PutU32(kept, at + 112, rank);
    at += entries[i].size;
  }
}

bool WriteStream(IStorage* storage, const std::wstring& name, const std::string& data) {
  CComRef<IStream> stream;
  ULONG written = 0;
  return SUCCEEDED(storage->CreateStream(name.c_str(), STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                         stream.Out())) &&
         (data.empty() ||
          (SUCCEEDED(stream->Write(data.data(), static_cast<ULONG>(data.size()), &written)) &&
           written == data.size()));
}

bool SameStreams(Streams a, Streams b) {
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  return a == b;
}

}  // namespace

CJumpList::Status CJumpList::Read(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
    return IsGoneError(GetLastError()) ? Status::kGone : Status::kHeld;
  if (data.nFileSizeHigh == 0 && data.nFileSizeLow == 0) return Status::kRead;  // holds nothing
  CComRef<IStorage> storage;
  HRESULT opened =
      StgOpenStorageEx(Wide(path).c_str(), STGM_READ | STGM_SHARE_DENY_WRITE, STGFMT_STORAGE, 0,
                       nullptr, nullptr, IID_IStorage, storage.OutVoid());
  if (opened == STG_E_SHAREVIOLATION || opened == STG_E_LOCKVIOLATION ||
      opened == STG_E_ACCESSDENIED)
    return Status::kHeld;
  if (opened == STG_E_FILENOTFOUND || opened == STG_E_PATHNOTFOUND) return Status::kGone;
  Streams streams;
  if (FAILED(opened) || !ReadStreams(storage.Get(), streams)) return Status::kUnreadable;

  std::string list;
  for (const auto& [name, contents] : streams)
    if (lstrcmpiW(name.c_str(), L"DestList") == 0) list = contents;
  m_pinned = 0;
  m_keptStreams.clear();
  // Windows' empty lists: a DestList of no bytes, or none at all.
  if (list.empty()) return Status::kRead;
  std::vector<Entry> entries;
  if (list.size() < kHeader || !ParseEntries(list, entries)) return Status::kUnreadable;
  std::vector<uint32_t> kept;
  std::string keptEntries;
  float score = 0;
  for (const Entry& entry : entries) {
    if (!entry.pinned) continue;
    kept.push_back(entry.number);
    keptEntries.append(list, entry.offset, entry.size);
    score += F32(list, entry.offset + 96);
  }
  if (kept.size() != U32(list, 8)) return Status::kUnreadable;
  m_pinned = static_cast<uint32_t>(kept.size());
  Rerank(list, entries, keptEntries);

  // The header: the kept entries and their summed scores; the last number
  // issued stays, so that Windows never gives a new item a kept one's
  // number; the change counter moves on by one, as for any change.
  std::string header = list.substr(0, kHeader);
  PutU32(header, 4, m_pinned);
  std::memcpy(&header[12], &score, 4);
  PutU32(header, 24, U32(list, 24) + 1);
  m_keptStreams.emplace_back(L"DestList", header + keptEntries);
  // The kept entries' links, and every stream that is no entry's; the links
  // of entries that go, and any left without an entry, go.
  for (auto& [name, contents] : streams) {
    uint32_t number;
    if (lstrcmpiW(name.c_str(), L"DestList") == 0) continue;
    if (!EntryNumber(name, number) || std::find(kept.begin(), kept.end(), number) != kept.end())
      m_keptStreams.emplace_back(std::move(name), std::move(contents));
  }
  return Status::kRead;
}

bool CJumpList::WritePinned(const std::string& fresh) const {
  std::wstring name = Wide(fresh);
  {
    CComRef<IStorage> storage;
    if (FAILED(StgCreateStorageEx(
            name.c_str(), STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_FAILIFTHERE, STGFMT_STORAGE,
            0, nullptr, nullptr, IID_IStorage, storage.OutVoid())))
      return false;
    for (const auto& [stream, contents] : m_keptStreams)
      if (!WriteStream(storage.Get(), stream, contents)) return false;
    if (FAILED(storage->Commit(STGC_DEFAULT))) return false;
  }  // released: Structured Storage writes what it still holds, and closes the file
  CFileHandle file(CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.IsValid() || !FlushFileBuffers(file.Get())) return false;
  file.Reset();
  // A release reports nothing: only reading the file back shows that it
  // holds what was written.
  CComRef<IStorage> check;
  Streams back;
  return SUCCEEDED(StgOpenStorageEx(name.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE, STGFMT_STORAGE,
                                    0, nullptr, nullptr, IID_IStorage, check.OutVoid())) &&
         ReadStreams(check.Get(), back) && SameStreams(back, m_keptStreams);
}
