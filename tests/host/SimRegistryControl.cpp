// The registry half of the sim's control API: what tests build is what the
// program reads, what the program writes is what tests read back, and the
// dump shows it all.
#include <gtest/gtest.h>

#include "platform/sim/Sim.h"

namespace {

class SimRegistryControl : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }
};

TEST_F(SimRegistryControl, BuiltValuesReadBackThroughTheApi) {
  sim::SetString(HKEY_CURRENT_USER, "Software\\App", "text", "abc");
  sim::SetValue(HKEY_CURRENT_USER, "Software\\App", "raw", REG_SZ, "no nul");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\app", 0, KEY_READ, &key), ERROR_SUCCESS);

  char buffer[16];
  DWORD size = sizeof buffer;
  DWORD type = 0;
  EXPECT_EQ(RegQueryValueExA(key, "TEXT", nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                             &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::string(buffer, size), std::string("abc\0", 4)) << "SetString stores the NUL";
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  size = sizeof buffer;
  EXPECT_EQ(RegQueryValueExA(key, "raw", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                             &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 6u) << "SetValue stores the bytes as given";
  RegCloseKey(key);
}

TEST_F(SimRegistryControl, ProgramWritesAreVisibleToTests) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\App\\Deep", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const BYTE dword[4] = {7, 0, 0, 0};
  RegSetValueExA(key, "Count", 0, REG_DWORD, dword, sizeof dword);
  RegSetValueExA(key, "Bravo", 0, REG_BINARY, dword, 1);
  RegSetValueExA(key, "alpha", 0, REG_SZ, reinterpret_cast<const BYTE*>("a"), 2);
  RegSetValueExA(key, "ALPHA", 0, REG_SZ, reinterpret_cast<const BYTE*>("b"), 2);
  RegCloseKey(key);
  sim::MakeKey(HKEY_LOCAL_MACHINE, "Software\\App\\apple");
  sim::MakeKey(HKEY_LOCAL_MACHINE, "Software\\App\\Zed");

  EXPECT_TRUE(sim::KeyExists(HKEY_LOCAL_MACHINE, "software\\app\\DEEP"));
  EXPECT_FALSE(sim::KeyExists(HKEY_CURRENT_USER, "Software\\App\\Deep"));
  EXPECT_EQ(sim::ValueData(HKEY_LOCAL_MACHINE, "Software\\App\\Deep", "count"),
            std::string("\x07\0\0\0", 4));
  EXPECT_EQ(sim::ValueType(HKEY_LOCAL_MACHINE, "Software\\App\\Deep", "Count"),
            static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(sim::ValueType(HKEY_LOCAL_MACHINE, "Software\\App\\Deep", "absent"),
            static_cast<DWORD>(REG_NONE));
  EXPECT_EQ(sim::ValueData(HKEY_LOCAL_MACHINE, "Software\\App\\Deep", "absent"), "");
  EXPECT_FALSE(sim::ValueExists(HKEY_LOCAL_MACHINE, "Software\\App\\Deep", "absent"));
  EXPECT_EQ(sim::ValueNames(HKEY_LOCAL_MACHINE, "Software\\App\\Deep"),
            (std::vector<std::string>{"alpha", "Bravo", "Count"}))
      << "a value keeps the spelling it was first written with";
  EXPECT_EQ(sim::ValueData(HKEY_LOCAL_MACHINE, "Software\\App\\Deep", "alpha"),
            std::string("b\0", 2));
  EXPECT_EQ(sim::SubKeys(HKEY_LOCAL_MACHINE, "Software\\App"),
            (std::vector<std::string>{"apple", "Deep", "Zed"}));
  EXPECT_TRUE(sim::SubKeys(HKEY_LOCAL_MACHINE, "Software\\Absent").empty());
}

TEST_F(SimRegistryControl, ResetEmptiesTheHivesAndForgetsHandles) {
  sim::MakeKey(HKEY_CURRENT_USER, "Software\\Old");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Old", 0, KEY_READ, &key), ERROR_SUCCESS);
  sim::Reset();
  EXPECT_FALSE(sim::KeyExists(HKEY_CURRENT_USER, "Software"));
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, HKEY_USERS}) {
    HKEY made = nullptr;
    EXPECT_EQ(RegCreateKeyExA(root, "x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &made, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(made);
  }
}

TEST_F(SimRegistryControl, DumpShowsKeysValuesRightsAndOpenHandles) {
  sim::SetString(HKEY_CURRENT_USER, "Software\\App", "", "dflt");
  sim::SetValue(HKEY_CURRENT_USER, "Software\\App", "n", REG_DWORD, std::string("\x2a\0\0\0", 4));
  sim::SetValue(HKEY_CURRENT_USER, "Software\\App", "b", REG_BINARY, std::string("\x01\xff", 2));
  sim::SetValue(HKEY_LOCAL_MACHINE, "Software\\Odd", "t", 77, "z");
  sim::DenyAccess(HKEY_CURRENT_USER, "Software\\App\\Locked", DELETE);
  HKEY gone = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\App\\Locked", 0, KEY_READ, &gone),
            ERROR_SUCCESS);
  sim::DenyAccess(HKEY_CURRENT_USER, "Software\\App\\Locked", 0);
  ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\App\\Locked"), ERROR_SUCCESS);

  std::string dump = sim::Dump();
  for (const char* line : {
           "  HKCU\\Software\\App\n",
           "    (default) = REG_SZ \"dflt\\0\"\n",
           "    \"n\" = REG_DWORD 0x0000002a\n",
           "    \"b\" = REG_BINARY 01 ff\n",
           "    \"t\" = type 77 7a\n",
           " HKCU\\Software\\App\\Locked (deleted) access 0x20019\n",
       }) {
    EXPECT_NE(dump.find(line), std::string::npos) << "missing: " << line << "in\n" << dump;
  }
  sim::DenyAccess(HKEY_CURRENT_USER, "Software\\App", KEY_SET_VALUE);
  EXPECT_NE(sim::Dump().find("  HKCU\\Software\\App  [denied 0x2]\n"), std::string::npos)
      << sim::Dump();
}

}  // namespace
