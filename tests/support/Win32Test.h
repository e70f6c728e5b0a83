// Helpers of the tests, written only against Win32 calls, and a scratch folder
// per test on the prefix's C: drive (not in the temporary folder, which the
// cleaning run erases).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"

bool Exists(const std::string& path);
std::string ReadAll(const std::string& path);  // "<missing>" if it cannot be read
// Creates the folders above it and the file, then sets `attributes` if any.
bool WriteAll(const std::string& path, const std::string& contents = "", DWORD attributes = 0);
void RemoveTree(const std::string& path);  // links removed, never entered
// REG_SZ with its NUL, the key created as needed; `view` may add KEY_WOW64_32KEY.
bool SetRegString(HKEY root, const std::string& key, const char* name, const std::string& text,
                  REGSAM view = 0);
// The settings' key; FreshSettings deletes it, with its parent, as a test
// begins and as it ends.
const char kSettingsKey[] = "Software\\Marrowfield\\Tidewisp";
struct FreshSettings {
  FreshSettings() { SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Marrowfield"); }
  ~FreshSettings() { SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Marrowfield"); }
};
// A REG_SZ value of the settings key as stored (with its NUL), or "<absent>".
std::string StoredSetting(const char* name);
// The settings key cannot be created: its parent is made anew as a volatile
// key, which refuses a non-volatile child. Undone by deleting the parent.
void MakeSettingsUnsavable();

class ScratchTest : public ::testing::Test {
 public:
  std::string Path(const std::string& name) const { return dir_ + "\\" + name; }
  bool Has(const std::string& name) const { return Exists(Path(name)); }
  void MakeFile(const std::string& name, const std::string& contents = "", DWORD attributes = 0) {
    ASSERT_TRUE(WriteAll(Path(name), contents, attributes)) << Path(name);
  }
  // A folder link at `name` (a Unix symbolic link, as Wine makes a prefix's
  // Documents) to a new folder beside the scratch folder holding `files`. The
  // folder, or "" when no link could be made.
  std::string MakeLinkOut(const std::string& name,
                          const std::vector<std::pair<std::string, std::string>>& files);

  std::string dir_, outside_, link_;

 protected:
  void SetUp() override;
  void TearDown() override;
};

// Every message box shown on the test thread is answered by a WH_CBT hook
// (installed by the tests' main) that records it, and so is any other dialog
// activated while an answer is queued. A box no test asked for fails the
// running test and is cancelled: it never hangs a run.
struct ShownBox {
  std::string text, caption;
  int defaultButton;  // the button with the focus: IDOK, IDYES, IDNO...
};
// Queued, one per expected box; `text`, if any, goes into a file dialog's
// file name box (control 0x47C) first.
void AnswerNextBox(int button, const std::string& text = "");
std::vector<ShownBox> TakeShownBoxes();  // the boxes shown since the test began or the last call
