// Small owners of the handles the engine opens. Each closes its handle when it
// ends, without disturbing GetLastError, and cannot be copied.
#pragma once

#include "platform/win32.h"

template <typename Traits>
class CHandleOwner {
 public:
  using Handle = typename Traits::Handle;
  explicit CHandleOwner(Handle handle = Traits::Invalid()) : m_handle(handle) {}
  ~CHandleOwner() { Reset(); }
  CHandleOwner(const CHandleOwner&) = delete;
  CHandleOwner& operator=(const CHandleOwner&) = delete;

  Handle Get() const { return m_handle; }
  bool IsValid() const { return m_handle != Traits::Invalid(); }
  void Reset(Handle handle = Traits::Invalid()) {
    if (IsValid()) {
      DWORD saved = GetLastError();
      Traits::Close(m_handle);
      SetLastError(saved);
    }
    m_handle = handle;
  }

 private:
  Handle m_handle;
};

struct FindTraits {  // FindFirstFileA
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { FindClose(h); }
};

struct FileTraits {  // CreateFileA
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseHandle(h); }
};

struct UrlCacheFindTraits {  // FindFirstUrlCacheEntryA
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { FindCloseUrlCache(h); }
};

using CFindHandle = CHandleOwner<FindTraits>;
using CFileHandle = CHandleOwner<FileTraits>;
using CUrlCacheFind = CHandleOwner<UrlCacheFindTraits>;
