// The simulated registry where the conformance tests cannot reach: keys that
// refuse some rights (Wine cannot make one under HKCU), value names as the
// registry keeps them, and the call log and dump the other host tests rely on.
#include "tests/host/SimTest.h"

namespace {

using SimRegistry = SimTest;

LONG Open(const char* path, REGSAM access) {
  HKEY key = nullptr;
  LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, access, &key);
  if (status == ERROR_SUCCESS) RegCloseKey(key);
  return status;
}

LONG Create(const char* path, REGSAM access = KEY_ALL_ACCESS) {
  HKEY key = nullptr;
  LONG status =
      RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, access, nullptr, &key, nullptr);
  if (status == ERROR_SUCCESS) RegCloseKey(key);
  return status;
}

// A key that may be read but not changed, as some keys of a locked-down
// machine are.
TEST_F(SimRegistry, KeyDenyingWriteRightsOpensOnlyForReading) {
  sim::MakeKey(HKEY_CURRENT_USER, "Software\\Locked\\Child");
  sim::DenyAccess(HKEY_CURRENT_USER, "Software\\Locked", KEY_ALL_ACCESS & ~KEY_READ);

  EXPECT_EQ(Open("Software\\Locked", KEY_READ), ERROR_SUCCESS);
  EXPECT_EQ(Open("Software\\Locked", KEY_ALL_ACCESS), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Create("Software\\Locked"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Create("Software\\Locked", KEY_READ), ERROR_SUCCESS);
  // Passing through the key to one below it needs no rights on it.
  EXPECT_EQ(Open("Software\\Locked\\Child", KEY_ALL_ACCESS), ERROR_SUCCESS);
  EXPECT_EQ(Create("Software\\Locked\\New"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Locked\\Child"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Locked"), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(sim::KeyExists(HKEY_CURRENT_USER, "Software\\Locked"));

  sim::DenyAccess(HKEY_CURRENT_USER, "Software\\Locked", 0);
  EXPECT_EQ(Create("Software\\Locked"), ERROR_SUCCESS);
}

// A key that may not be listed, or not deleted, stops the shell's walk.
TEST_F(SimRegistry, ShellDeleteStopsAtAKeyItMayNotListOrDelete) {
  for (REGSAM denied : {REGSAM(DELETE), REGSAM(KEY_ENUMERATE_SUB_KEYS)}) {
    SCOPED_TRACE(denied);
    sim::Reset();
    for (const char* key : {"Alpha\\Deep", "Locked\\Deep", "Zeta"})
      sim::MakeKey(HKEY_CURRENT_USER, std::string("Software\\Tree\\") + key);
    sim::DenyAccess(HKEY_CURRENT_USER, "Software\\Tree\\Locked", denied);

    EXPECT_EQ(SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Tree"), ERROR_ACCESS_DENIED);
    // Depth first in listing order: what came before the refusal is gone.
    EXPECT_EQ(sim::SubKeys(HKEY_CURRENT_USER, "Software\\Tree"), (Names{"Locked", "Zeta"}));
  }
}

// A value keeps the spelling it was first written with, and another spelling
// replaces its data (Wine agrees; its listing of values is not pinned).
TEST_F(SimRegistry, ValueKeepsItsFirstSpelling) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\App", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  for (const char* name : {"alpha", "Bravo", "ALPHA"})
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(name), 6);
  RegCloseKey(key);
  EXPECT_EQ(sim::ValueNames(HKEY_LOCAL_MACHINE, "Software\\App"), (Names{"alpha", "Bravo"}));
  EXPECT_EQ(sim::ValueData(HKEY_LOCAL_MACHINE, "software\\APP", "Alpha"),
            std::string("ALPHA\0", 6));
}

// Each call names its subject as the failures match it: the key's path, plus
// the sub-key or value it takes; a deleted key keeps its path.
TEST_F(SimRegistry, CallLogNamesSubjectsSizesAndFlags) {
  sim::MakeKey(HKEY_CURRENT_USER, "Software\\X\\Gone");
  HKEY x = nullptr, gone = nullptr, made = nullptr;
  char name[40];
  DWORD count = sizeof name;
  BYTE buffer[2];
  DWORD size = sizeof buffer;
  const BYTE dword[4] = {1, 0, 0, 0};
  sim::ClearCalls();

  RegOpenKeyExA(HKEY_CURRENT_USER, "software\\x", 0, KEY_READ | KEY_WRITE, &x);
  RegOpenKeyExA(x, "Gone", 0, KEY_ALL_ACCESS, &gone);
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Y", 0, nullptr, 0, KEY_WRITE, nullptr, &made,
                  nullptr);
  RegSetValueExA(x, "when", 0, REG_DWORD, dword, sizeof dword);
  RegQueryValueExA(x, "when", nullptr, nullptr, buffer, &size);
  RegQueryValueExA(x, nullptr, nullptr, nullptr, nullptr, nullptr);
  RegEnumKeyExA(x, 3, name, &count, nullptr, nullptr, nullptr, nullptr);
  RegDeleteValueA(x, "when");
  RegDeleteKeyA(x, "Gone");
  RegQueryValueExA(gone, "v", nullptr, nullptr, nullptr, nullptr);
  SHDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Y");
  RegOpenKeyExA(HKEY_USERS, "", 0, KEY_READ, &made);
  RegCloseKey(x);

  Names log;
  for (const sim::Call& call : sim::Calls())
    log.push_back(call.name + " " + call.subject + " " + std::to_string(call.size) + " " +
                  std::to_string(call.flags));
  auto flags = [](DWORD value) { return " " + std::to_string(value); };
  EXPECT_EQ(
      log,
      (Names{"RegOpenKeyExA HKCU\\software\\x 0" + flags(KEY_READ | KEY_WRITE),
             "RegOpenKeyExA HKCU\\Software\\X\\Gone 0" + flags(KEY_ALL_ACCESS),
             "RegCreateKeyExA HKLM\\Software\\Y 0" + flags(KEY_WRITE),
             "RegSetValueExA HKCU\\Software\\X\\when 4" + flags(REG_DWORD),
             "RegQueryValueExA HKCU\\Software\\X\\when 2 0",
             "RegQueryValueExA HKCU\\Software\\X\\ 0 0", "RegEnumKeyExA HKCU\\Software\\X 40 3",
             "RegDeleteValueA HKCU\\Software\\X\\when 0 0",
             "RegDeleteKeyA HKCU\\Software\\X\\Gone 0 0",
             "RegQueryValueExA HKCU\\Software\\X\\Gone\\v 0 0",
             "SHDeleteKeyA HKLM\\Software\\Y 0 0", "RegOpenKeyExA HKU 0" + flags(KEY_READ),
             "RegCloseKey HKCU\\Software\\X 0 0"}));
}

// Tests compare dumps to show that nothing changed: what they hold counts.
TEST_F(SimRegistry, DumpShowsKeysValuesRightsAndOpenHandles) {
  sim::SetString(HKEY_CURRENT_USER, "Software\\App", "", "dflt");
  sim::SetValue(HKEY_CURRENT_USER, "Software\\App", "n", REG_DWORD, std::string("\x2a\0\0\0", 4));
  sim::SetValue(HKEY_CURRENT_USER, "Software\\App", "b", REG_BINARY, std::string("\x01\xff", 2));
  sim::SetValue(HKEY_LOCAL_MACHINE, "Software\\Odd", "t", 77, "z");
  HKEY gone = nullptr;
  sim::MakeKey(HKEY_CURRENT_USER, "Software\\App\\Locked");
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\App\\Locked", 0, KEY_READ, &gone),
            ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\App\\Locked"), ERROR_SUCCESS);
  sim::DenyAccess(HKEY_CURRENT_USER, "Software\\App", KEY_SET_VALUE);

  std::string dump = sim::Dump();
  for (const char* line :
       {"  HKCU\\Software\\App  [denied 0x2]\n", "    (default) = REG_SZ \"dflt\\0\"\n",
        "    \"n\" = REG_DWORD 0x0000002a\n", "    \"b\" = REG_BINARY 01 ff\n",
        "    \"t\" = type 77 7a\n", " HKCU\\Software\\App\\Locked (deleted) access 0x20019\n"})
    EXPECT_NE(dump.find(line), std::string::npos) << "missing: " << line << "in\n" << dump;
}

}  // namespace
