#include "tests/windows/PrimitivesFixture.h"

#include <vector>

#include "tests/support/Process.h"

namespace {

// Wine's own export: the Unix path of a DOS path, in a heap block of the
// process heap. Only looked up under Wine.
using UnixNameFn = char*(CDECL*)(const WCHAR*);

std::string UnixPath(const std::string& dosPath) {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto convert = reinterpret_cast<UnixNameFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
  if (!convert) return "";
  std::vector<WCHAR> wide(dosPath.size() + 1);
  MultiByteToWideChar(CP_ACP, 0, dosPath.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  char* unix = convert(wide.data());
  if (!unix) return "";
  std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

// Waits up to five seconds for the path's attributes to satisfy `done`.
template <typename Done>
bool Await(const std::string& path, Done done) {
  for (int i = 0; i < 100; ++i) {
    if (done(GetFileAttributesA(path.c_str()))) return true;
    Sleep(50);
  }
  return false;
}

bool IsLinkAttributes(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

void PrimitivesTest::SetUp() {
  char temp[MAX_PATH];
  DWORD length = GetTempPathA(MAX_PATH, temp);
  ASSERT_TRUE(length > 0 && length < MAX_PATH) << length;
  dir_ = std::string(temp) + Unique("twprim");
  ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr)) << dir_ << " error " << GetLastError();
}

void PrimitivesTest::TearDown() {
  // The link goes first, by itself: removing it through the file API could
  // remove what it leads to (under Wine, RemoveDirectoryA on a link to an
  // empty folder removes that folder and leaves the link).
  if (!link_.empty()) {
    if (UnderWine()) {
      RunAndWait("Z:\\bin\\rm -f " + Quoted(UnixPath(link_)), 10000);
      Await(link_, [](DWORD attributes) { return attributes == INVALID_FILE_ATTRIBUTES; });
    } else {
      RemoveDirectoryA(link_.c_str());
    }
    EXPECT_EQ(GetFileAttributesA(link_.c_str()), INVALID_FILE_ATTRIBUTES)
        << "the test link " << link_ << " is still there";
  }
  RemoveTree(dir_);
  if (!outside_.empty()) RemoveTree(outside_);
}

void PrimitivesTest::MakeDir(const std::string& name, DWORD attributes) {
  ASSERT_TRUE(CreateDirectoryA(Path(name).c_str(), nullptr))
      << Path(name) << " error " << GetLastError();
  if (attributes) {
    ASSERT_TRUE(SetFileAttributesA(Path(name).c_str(), attributes)) << GetLastError();
  }
}

std::string PrimitivesTest::MakeOutsideDir() {
  // Beside the test program: under Wine that is the build tree, reached
  // through drive Z:, outside the prefix and its C: drive.
  char module[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string folder(module, length);
  folder = folder.substr(0, folder.rfind('\\'));
  outside_ = folder + "\\" + Unique("twoutside");
  EXPECT_TRUE(CreateDirectoryA(outside_.c_str(), nullptr))
      << outside_ << " error " << GetLastError();
  return outside_;
}

bool PrimitivesTest::MakeFolderLink(const std::string& name, const std::string& target,
                                    std::string* why) {
  link_ = Path(name);
  if (UnderWine()) {
    // Wine 8's CreateSymbolicLinkA answers TRUE and makes nothing, but Wine
    // starts Unix programs through CreateProcessA: ln makes the link the way
    // a prefix's Documents leads to the home directory.
    std::string from = UnixPath(target), at = UnixPath(link_);
    if (from.empty() || at.empty()) {
      *why = "no Unix path for " + target + " or " + link_;
      return false;
    }
    if (!RunAndWait("Z:\\bin\\ln -s " + Quoted(from) + " " + Quoted(at), 10000)) {
      *why = "cannot start Z:\\bin\\ln, error " + std::to_string(GetLastError());
      return false;
    }
  } else {
    // A junction needs no privilege, unlike a symbolic link.
    RunAndWait("cmd.exe /c mklink /J " + Quoted(link_) + " " + Quoted(target), 10000);
  }
  if (!Await(link_, IsLinkAttributes)) {
    *why = "the link did not appear as a reparse point: attributes " +
           std::to_string(GetFileAttributesA(link_.c_str()));
    return false;
  }
  return true;
}
