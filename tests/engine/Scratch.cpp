#include "tests/engine/Scratch.h"

#include "tests/support/Process.h"

namespace {

// Wine's own export: the Unix path of a DOS path, in a block of the process heap.
std::string UnixPath(const std::string& dos) {
  using UnixNameFn = char*(CDECL*)(const WCHAR*);
  auto convert = reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  char* unix = convert ? convert(std::wstring(dos.begin(), dos.end()).c_str()) : nullptr;
  std::string result = unix ? unix : "";
  HeapFree(GetProcessHeap(), 0, unix);
  return "\"" + result + "\"";
}

// Wine starts a Unix program without a process to wait on: poll for its effect.
bool AwaitLink(const std::string& path, bool there) {
  for (int i = 0; i < 100; ++i, Sleep(50))
    if (((GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) &&
         Exists(path)) == there)
      return true;
  return false;
}

}  // namespace

void ScratchTest::TearDown() {
  // The link goes first, from the Unix side: under Wine, RemoveDirectoryA on
  // a link to an empty folder removes that folder.
  if (!link_.empty() && UnderWine()) RunAndWait("Z:\\bin\\rm -f " + UnixPath(link_), 10000);
  EXPECT_TRUE(link_.empty() || !UnderWine() || AwaitLink(link_, false)) << link_ << " stays";
  RemoveTree(dir_);
  if (!outside_.empty()) RemoveTree(outside_);
}

std::string ScratchTest::MakeLinkOut(const std::string& name,
                                     const std::vector<std::pair<std::string, std::string>>& files) {
  char module[MAX_PATH];
  std::string folder(module, GetModuleFileNameA(nullptr, module, MAX_PATH));
  outside_ = folder.substr(0, folder.rfind('\\')) + "\\" + Unique("twoutside");
  for (const auto& file : files) EXPECT_TRUE(WriteAll(outside_ + "\\" + file.first, file.second));
  link_ = Path(name);
  SHCreateDirectoryExA(nullptr, link_.substr(0, link_.rfind('\\')).c_str(), nullptr);
  // Wine 8's CreateSymbolicLinkA answers TRUE and makes nothing; ln makes the
  // link the way a prefix's Documents leads to the home directory.
  if (UnderWine())
    RunAndWait("Z:\\bin\\ln -s " + UnixPath(outside_) + " " + UnixPath(link_), 10000);
  else
    RunAndWait("cmd.exe /c mklink /J \"" + link_ + "\" \"" + outside_ + "\"", 10000);
  return AwaitLink(link_, true) ? outside_ : "";
}
