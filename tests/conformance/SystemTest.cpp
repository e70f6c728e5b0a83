// System folders, the URL history object, the process token and the clipboard.
#include <cstring>
#include <string>

#include "tests/conformance/Conformance.h"

namespace {

class SystemFolders : public Conformance {};

TEST_F(SystemFolders, TempPathEndsWithABackslashAndReportsTheSizeItNeeds) {
  char path[MAX_PATH];
  DWORD length = GetTempPathA(MAX_PATH, path);
  ASSERT_GT(length, 3u);
  EXPECT_EQ(length, std::strlen(path));
  EXPECT_EQ(path[length - 1], '\\') << path;

  char small[2] = {'x', 'y'};
  DWORD needed = GetTempPathA(sizeof small, small);
  EXPECT_EQ(needed, length + 1) << "too small a buffer: the size with the NUL";
}

TEST_F(SystemFolders, WindowsDirectoryHasNoTrailingBackslash) {
  char path[MAX_PATH];
  UINT length = GetWindowsDirectoryA(path, MAX_PATH);
  ASSERT_GT(length, 2u);
  EXPECT_EQ(length, std::strlen(path));
  EXPECT_NE(path[length - 1], '\\') << path;
  EXPECT_EQ(path[1], ':') << path;
  char small[3];
  EXPECT_EQ(GetWindowsDirectoryA(small, sizeof small), length + 1);
}

class SpecialFolder : public Conformance, public ::testing::WithParamInterface<int> {};

TEST_P(SpecialFolder, IsAnAbsolutePathThatExists) {
  char path[MAX_PATH] = {};
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, path, GetParam(), FALSE)) << "CSIDL "
                                                                          << GetParam();
  EXPECT_EQ(path[1], ':') << path;
  EXPECT_NE(path[std::strlen(path) - 1], '\\') << path;
  DWORD attributes = GetFileAttributesA(path);
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << path;
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY) << path;
}

// The folders the cleaning run asks for.
INSTANTIATE_TEST_SUITE_P(Run, SpecialFolder,
                         ::testing::Values(CSIDL_PERSONAL, CSIDL_FAVORITES, CSIDL_RECENT,
                                           CSIDL_APPDATA, CSIDL_INTERNET_CACHE, CSIDL_COOKIES,
                                           CSIDL_HISTORY));

class UrlHistoryObject : public Conformance {};

TEST_F(UrlHistoryObject, NeedsComAndThenClearsWithoutFailingTheCaller) {
  void* object = nullptr;
  HRESULT created = CoCreateInstance(CLSID_CUrlHistory, nullptr, CLSCTX_INPROC_SERVER, IID_IUrlHistoryStg2,
                                      &object);
  EXPECT_EQ(created, CO_E_NOTINITIALIZED) << std::hex << created;
  EXPECT_EQ(object, nullptr);

  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  created = CoCreateInstance(CLSID_CUrlHistory, nullptr, CLSCTX_INPROC_SERVER, IID_IUrlHistoryStg2,
                                      &object);
  ASSERT_EQ(created, S_OK) << std::hex << created;
  auto* history = static_cast<IUrlHistoryStg2*>(object);
  // Wine answers E_NOTIMPL here; Windows clears the history. Callers ignore it.
  HRESULT cleared = history->ClearHistory();
  EXPECT_TRUE(cleared == S_OK || (UnderWine() && cleared == E_NOTIMPL)) << std::hex << cleared;
  history->Release();  // Wine keeps one shared object; its count says nothing
  CoUninitialize();
}

class ProcessToken : public Conformance {};

TEST_F(ProcessToken, ShutdownPrivilegeCanBeAskedFor) {
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
      << GetLastError();
  TOKEN_PRIVILEGES privileges = {};
  ASSERT_TRUE(LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid));
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  SetLastError(12345);
  EXPECT_TRUE(AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr));
  // Success either way; only the last error says whether it was enabled.
  DWORD error = GetLastError();
  EXPECT_TRUE(error == ERROR_SUCCESS || error == ERROR_NOT_ALL_ASSIGNED) << error;
  EXPECT_TRUE(CloseHandle(token));

  LUID unknown;
  EXPECT_FALSE(LookupPrivilegeValueA(nullptr, "SeNoSuchPrivilege", &unknown));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_SUCH_PRIVILEGE));
}

class Clipboard : public Conformance {};

TEST_F(Clipboard, EmptyingDropsTheTextAndNeedsTheClipboardOpen) {
  ASSERT_TRUE(OpenClipboard(nullptr)) << GetLastError();
  ASSERT_TRUE(EmptyClipboard());
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 6);
  std::memcpy(GlobalLock(memory), "hello", 6);
  GlobalUnlock(memory);
  ASSERT_NE(SetClipboardData(CF_TEXT, memory), nullptr) << GetLastError();
  ASSERT_TRUE(CloseClipboard());
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));

  EXPECT_FALSE(EmptyClipboard()) << "not open";
  EXPECT_FALSE(CloseClipboard()) << "not open";

  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_TRUE(EmptyClipboard());
  EXPECT_TRUE(CloseClipboard());
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
}

}  // namespace
