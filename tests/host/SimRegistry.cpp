// The simulated registry where the conformance tests cannot reach: keys that
// refuse some rights, injected failures and the call log.
#include <gtest/gtest.h>

#include <functional>

#include "platform/sim/Sim.h"

namespace {

class SimRegistry : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }

  static HKEY Open(HKEY root, const char* path, REGSAM access, LONG* status) {
    HKEY key = nullptr;
    *status = RegOpenKeyExA(root, path, 0, access, &key);
    return key;
  }
  static LONG Create(HKEY root, const char* path, REGSAM access = KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    LONG status =
        RegCreateKeyExA(root, path, 0, nullptr, 0, access, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    return status;
  }
};

// A key that may be read but not changed, as some keys of a locked-down
// machine are. Wine cannot make one under HKCU, so only the sim shows it.
TEST_F(SimRegistry, KeyDenyingWriteRightsOpensOnlyForReading) {
  const REGSAM kWriteRights = KEY_ALL_ACCESS & ~KEY_READ;
  sim::MakeKey(HKEY_CURRENT_USER, "Software\\Locked\\Child");
  sim::SetString(HKEY_CURRENT_USER, "Software\\Locked", "v", "x");
  sim::DenyAccess(HKEY_CURRENT_USER, "Software\\Locked", kWriteRights);

  LONG status = 0;
  HKEY key = Open(HKEY_CURRENT_USER, "Software\\Locked", KEY_READ, &status);
  EXPECT_EQ(status, ERROR_SUCCESS);
  RegCloseKey(key);
  key = Open(HKEY_CURRENT_USER, "Software\\Locked", KEY_ALL_ACCESS, &status);
  EXPECT_EQ(status, ERROR_ACCESS_DENIED);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(Create(HKEY_CURRENT_USER, "Software\\Locked"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Create(HKEY_CURRENT_USER, "Software\\Locked", KEY_READ), ERROR_SUCCESS);

  // Passing through the key to one below it needs no rights on it.
  key = Open(HKEY_CURRENT_USER, "Software\\Locked\\Child", KEY_ALL_ACCESS, &status);
  EXPECT_EQ(status, ERROR_SUCCESS);
  RegCloseKey(key);

  EXPECT_EQ(Create(HKEY_CURRENT_USER, "Software\\Locked\\New"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Locked\\Child"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Locked"), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(sim::KeyExists(HKEY_CURRENT_USER, "Software\\Locked")) << sim::Dump();

  sim::DenyAccess(HKEY_CURRENT_USER, "Software\\Locked", 0);
  EXPECT_EQ(Create(HKEY_CURRENT_USER, "Software\\Locked"), ERROR_SUCCESS);
}

// A key that may not be listed, or not deleted, stops the shell's walk.
TEST_F(SimRegistry, ShellDeleteStopsAtAKeyItMayNotListOrDelete) {
  for (REGSAM denied : {REGSAM(DELETE), REGSAM(KEY_ENUMERATE_SUB_KEYS)}) {
    SCOPED_TRACE("denied 0x" + std::to_string(denied));
    sim::Reset();
    for (const char* key : {"Software\\Tree\\Alpha\\Deep", "Software\\Tree\\Locked\\Deep",
                            "Software\\Tree\\Zeta"}) {
      sim::MakeKey(HKEY_CURRENT_USER, key);
    }
    sim::DenyAccess(HKEY_CURRENT_USER, "Software\\Tree\\Locked", denied);

    EXPECT_EQ(SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Tree"), ERROR_ACCESS_DENIED);
    // Depth first in listing order: what came before the refusal is gone.
    EXPECT_EQ(sim::SubKeys(HKEY_CURRENT_USER, "Software\\Tree"),
              (std::vector<std::string>{"Locked", "Zeta"}))
        << sim::Dump();
  }
}

// Each registry call names its subject as the key path, plus the sub-key or
// value it takes; an injected failure answers instead of the call and
// leaves the registry as it was.
TEST_F(SimRegistry, InjectedFailuresHitTheirSubjectOnlyAndChangeNothing) {
  sim::SetString(HKEY_CURRENT_USER, "Software\\X", "when", "1");
  sim::SetString(HKEY_CURRENT_USER, "Software\\X", "", "default");
  sim::MakeKey(HKEY_CURRENT_USER, "Software\\X\\Sub\\Deep");
  HKEY x = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\X", 0, KEY_ALL_ACCESS, &x),
            ERROR_SUCCESS);

  const BYTE data[] = "2";
  DWORD size = 0;
  const struct {
    const char* call;
    const char* subject;  // in another case than the registry's, on purpose
    std::function<LONG()> act;
    std::function<LONG()> other;  // the same call on another subject: unaffected
    std::function<bool()> unchanged;
  } cases[] = {
      {"RegQueryValueExA", "hkcu\\software\\x\\WHEN",
       [&] { return RegQueryValueExA(x, "when", nullptr, nullptr, nullptr, &size); },
       [&] { return RegQueryValueExA(x, "", nullptr, nullptr, nullptr, &size); },
       [] { return true; }},
      {"RegQueryValueExA", "HKCU\\Software\\X\\",  // the default value
       [&] { return RegQueryValueExA(x, nullptr, nullptr, nullptr, nullptr, &size); },
       [&] { return RegQueryValueExA(x, "when", nullptr, nullptr, nullptr, &size); },
       [] { return true; }},
      {"RegSetValueExA", "HKCU\\Software\\X\\when",
       [&] { return RegSetValueExA(x, "when", 0, REG_SZ, data, sizeof data); },
       [&] { return RegSetValueExA(x, "new", 0, REG_SZ, data, sizeof data); },
       [] { return sim::ValueData(HKEY_CURRENT_USER, "Software\\X", "when") ==
                   std::string("1\0", 2); }},
      {"RegDeleteValueA", "HKCU\\Software\\X\\when",
       [&] { return RegDeleteValueA(x, "when"); },
       [&] { return RegDeleteValueA(x, "new"); },
       [] { return sim::ValueExists(HKEY_CURRENT_USER, "Software\\X", "when"); }},
      {"RegDeleteKeyA", "HKCU\\Software\\X\\Sub\\Deep",
       [&] { return RegDeleteKeyA(x, "Sub\\Deep"); },
       [&] { return RegDeleteKeyA(x, "Absent"); },
       [] { return sim::KeyExists(HKEY_CURRENT_USER, "Software\\X\\Sub\\Deep"); }},
      {"SHDeleteKeyA", "HKCU\\Software\\X\\Sub",
       [&] { return SHDeleteKeyA(x, "Sub"); },
       [&] { return SHDeleteKeyA(x, "Absent"); },
       [] { return sim::KeyExists(HKEY_CURRENT_USER, "Software\\X\\Sub"); }},
      {"RegOpenKeyExA", "HKCU\\Software\\X\\Sub",
       [&] {
         HKEY sub = nullptr;
         return RegOpenKeyExA(x, "Sub", 0, KEY_READ, &sub);
       },
       [&] {
         HKEY sub = nullptr;
         return RegOpenKeyExA(x, "Absent", 0, KEY_READ, &sub);
       },
       [] { return true; }},
      {"RegCreateKeyExA", "HKCU\\Software\\X\\Made",
       [&] { return Create(x, "Made"); },
       [&] { return Create(x, "Other"); },
       [] { return !sim::KeyExists(HKEY_CURRENT_USER, "Software\\X\\Made"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.call) + " on " + c.subject);
    sim::FailCall(c.call, ERROR_NOT_READY, c.subject, 1);
    LONG other = c.other();
    EXPECT_NE(other, ERROR_NOT_READY) << "another subject is not hit";
    EXPECT_EQ(c.act(), ERROR_NOT_READY);
    EXPECT_TRUE(c.unchanged()) << sim::Dump();
    EXPECT_NE(c.act(), ERROR_NOT_READY) << "the failure was injected once";
  }
}

TEST_F(SimRegistry, InjectedCloseFailureLeavesTheHandleOpen) {
  sim::MakeKey(HKEY_CURRENT_USER, "Software\\X");
  LONG status = 0;
  HKEY key = Open(HKEY_CURRENT_USER, "Software\\X", KEY_READ, &status);
  sim::FailCall("RegCloseKey", ERROR_INVALID_HANDLE, "HKCU\\Software\\X", 1);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(SimRegistry, CallLogNamesSubjectsSizesAndFlags) {
  sim::MakeKey(HKEY_CURRENT_USER, "Software\\X\\Gone");
  HKEY x = nullptr;
  HKEY gone = nullptr;
  HKEY made = nullptr;
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
  RegEnumKeyExA(x, 3, name, &count, nullptr, nullptr, nullptr, nullptr);
  RegDeleteValueA(x, "when");
  RegDeleteKeyA(x, "Gone");
  RegQueryValueExA(gone, "v", nullptr, nullptr, nullptr, nullptr);  // keeps its path
  SHDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Y");
  RegOpenKeyExA(HKEY_USERS, "", 0, KEY_READ, &made);
  RegCloseKey(x);

  const struct {
    const char* name;
    const char* subject;
    uint64_t size;
    DWORD flags;
  } expected[] = {
      {"RegOpenKeyExA", "HKCU\\software\\x", 0, KEY_READ | KEY_WRITE},
      {"RegOpenKeyExA", "HKCU\\Software\\X\\Gone", 0, KEY_ALL_ACCESS},
      {"RegCreateKeyExA", "HKLM\\Software\\Y", 0, KEY_WRITE},
      {"RegSetValueExA", "HKCU\\Software\\X\\when", 4, REG_DWORD},
      {"RegQueryValueExA", "HKCU\\Software\\X\\when", 2, 0},
      {"RegEnumKeyExA", "HKCU\\Software\\X", 40, 3},
      {"RegDeleteValueA", "HKCU\\Software\\X\\when", 0, 0},
      {"RegDeleteKeyA", "HKCU\\Software\\X\\Gone", 0, 0},
      {"RegQueryValueExA", "HKCU\\Software\\X\\Gone\\v", 0, 0},
      {"SHDeleteKeyA", "HKLM\\Software\\Y", 0, 0},
      {"RegOpenKeyExA", "HKU", 0, KEY_READ},
      {"RegCloseKey", "HKCU\\Software\\X", 0, 0},
  };
  const std::vector<sim::Call>& calls = sim::Calls();
  ASSERT_EQ(calls.size(), sizeof expected / sizeof expected[0]) << sim::Dump();
  for (size_t i = 0; i < calls.size(); ++i) {
    SCOPED_TRACE("call " + std::to_string(i));
    EXPECT_EQ(calls[i].name, expected[i].name);
    EXPECT_EQ(calls[i].subject, expected[i].subject);
    EXPECT_EQ(calls[i].size, expected[i].size);
    EXPECT_EQ(calls[i].flags, expected[i].flags);
  }
}

}  // namespace
