// The erase primitives on real files. A hard link keeps a file's contents
// readable after a primitive deleted its name, so the zeros can be checked
// where they landed.
#include "engine/Primitives.h"
#include "tests/engine/Scratch.h"

namespace {

std::string Letters(size_t size) {
  std::string text(size, '\0');
  for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + i % 26);
  return text;
}

class Primitives : public ScratchTest {
 protected:
  void Watch(const std::string& name, const std::string& as) {
    ASSERT_TRUE(CreateHardLinkA(Path(as).c_str(), Path(name).c_str(), nullptr)) << GetLastError();
  }
};

TEST_F(Primitives, WipeFileZeroesEveryByteThenDeletesTheName) {
  for (size_t size : {0, 1, 10000, 25000, 1048583}) {
    MakeFile("secret.txt", Letters(size));
    Watch("secret.txt", "seen.txt");
    WipeFile(Path("secret.txt"));
    EXPECT_FALSE(Has("secret.txt")) << size;
    EXPECT_TRUE(ReadAll(Path("seen.txt")) == std::string(size, '\0')) << size << " not all zero";
    DeleteFileA(Path("seen.txt").c_str());
  }
  WipeFile(Path("missing.txt"));
  EXPECT_FALSE(Has("missing.txt")) << "a missing file is never created";
}

// Another program's handle: write sharing lets the zeros in, but without
// delete sharing the name stays; without write sharing nothing changes, and
// a read-only file is not touched either (but under Wine as root, which opens
// it for writing all the same).
TEST_F(Primitives, WipeFileOverwritesWhatAHolderSharesAndNoMore) {
  const struct {
    DWORD share, attributes;
    bool zeroed;
  } rows[] = {{FILE_SHARE_READ | FILE_SHARE_WRITE, 0, true},
              {FILE_SHARE_READ, 0, false},
              {0, FILE_ATTRIBUTE_READONLY, WineAsRoot()}};
  for (const auto& row : rows) {
    MakeFile("held.txt", Letters(30000), row.attributes);
    HANDLE other = CreateFileA(Path("held.txt").c_str(), GENERIC_READ, row.share, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (!row.share) CloseHandle(other);
    WipeFile(Path("held.txt"));
    if (row.share) CloseHandle(other);
    EXPECT_TRUE(ReadAll(Path("held.txt")) == (row.zeroed ? std::string(30000, '\0') : Letters(30000)))
        << "share " << row.share << " attributes " << row.attributes;
    SetFileAttributesA(Path("held.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

// An index.dat keeps its 64-byte header; one a browser holds open (write but
// no delete sharing) is overwritten all the same, and stays.
TEST_F(Primitives, IndexDatKeepsItsHeaderAndTheRestIsZeroed) {
  MakeFile("cache\\Index.DAT", Letters(25064));
  Watch("cache\\Index.DAT", "seen.dat");
  MakeFile("cache\\held\\index.dat", Letters(1000));
  HANDLE browser =
      CreateFileA(Path("cache\\held\\index.dat").c_str(), GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  EraseFolderContents(Path("cache"), 0, 1);
  CloseHandle(browser);
  EXPECT_FALSE(Has("cache\\Index.DAT"));
  EXPECT_TRUE(ReadAll(Path("seen.dat")) == Letters(64) + std::string(25000, '\0'));
  EXPECT_TRUE(ReadAll(Path("cache\\held\\index.dat")) == Letters(64) + std::string(936, '\0'));
}

TEST_F(Primitives, EraseFolderContentsErasesAllButDesktopIniAndLockedFiles) {
  MakeFile("top\\a.txt", "a", FILE_ATTRIBUTE_READONLY);
  MakeFile("top\\desktop.ini", "[top]", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  MakeFile("top\\sub\\Desktop.INI", "[sub]");
  MakeFile("top\\desktop.ini.bak");
  MakeFile("top\\ro\\c.txt", "c", FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA(Path("top\\ro").c_str(), FILE_ATTRIBUTE_READONLY);
  MakeFile("top\\held\\open.txt", "open");
  MakeFile("top\\held\\free.txt");
  HANDLE other = CreateFileA(Path("top\\held\\open.txt").c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  EraseFolderContents(Path("top"), 0, 0);
  CloseHandle(other);
  for (const char* gone : {"top\\a.txt", "top\\desktop.ini.bak", "top\\ro", "top\\held\\free.txt"})
    EXPECT_FALSE(Has(gone)) << gone;
  for (const char* kept : {"top\\desktop.ini", "top\\sub\\Desktop.INI", "top\\held\\open.txt"})
    EXPECT_TRUE(Has(kept)) << kept;

  EraseFolderContents(Path("top"), 1, 0);
  EXPECT_FALSE(Has("top\\sub")) << "desktop.ini goes when asked";
  EXPECT_TRUE(Has("top"));
}

// The walk clears read-only bits after the visit, so such a file goes on the
// next walk. (DeleteFileA refuses a read-only file under Wine as root too.)
TEST_F(Primitives, AReadOnlyHistoryFileGoesOnTheSecondWalk) {
  MakeFile("R\\p\\history.dat", "h", FILE_ATTRIBUTE_READONLY);
  WalkFolderTree(Path("R"), EraseNetscapeHistory);
  EXPECT_TRUE(Has("R\\p\\history.dat"));
  WalkFolderTree(Path("R"), EraseNetscapeHistory);
  EXPECT_FALSE(Has("R\\p\\history.dat"));
}

}  // namespace
