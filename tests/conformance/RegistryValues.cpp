// Registry values: RegSetValueExA, RegQueryValueExA, RegDeleteValueA. The
// settings code reads "1\0" into a 2-byte buffer and must see a longer value
// refused; the sizes and NULs below are what it relies on.
#include <cctype>
#include <cstring>

#include "tests/conformance/Conformance.h"

namespace {

const BYTE kSentinel = 0xBD;

class RegistryValues : public Conformance {
 protected:
  LONG Set(const char* name, DWORD type, const std::string& bytes) {
    return RegSetValueExA(scratch_, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size()));
  }
  // The stored bytes read back through a buffer of ample size, or "<status N>".
  std::string Get(const char* name, DWORD* type = nullptr) {
    BYTE buffer[256];
    DWORD size = sizeof buffer;
    LONG status = RegQueryValueExA(scratch_, name, nullptr, type, buffer, &size);
    if (status != ERROR_SUCCESS) return "<status " + std::to_string(status) + ">";
    return std::string(reinterpret_cast<char*>(buffer), size);
  }
};

struct QueryCase {
  const char* label;
  DWORD type;
  std::string source;  // the bytes handed to RegSetValueExA, perhaps more than counted
  DWORD count;         // the size it is told
  DWORD buffer;        // the size of the reader's buffer
  LONG status;
  DWORD size;          // *lpcbData after the read, and the answer of a size query
  std::string data;    // the buffer's first `size` bytes after a successful read
  int after;           // the byte after them: kUntouched, or the value written there
};

const int kUntouched = -1;
using std::string;

// String sizes count the NUL only when it was stored. RegSetValueExA puts
// back a NUL that the count left out when the next byte is a NUL (case 5);
// a string stored without one reads back without one, but gets a NUL after
// it when the buffer has room (case 4).
const QueryCase kQueryCases[] = {
    {"string with NUL fits exactly", REG_SZ, string("1\0", 2), 2, 2, ERROR_SUCCESS, 2,
     string("1\0", 2), kUntouched},
    {"string one byte too long", REG_SZ, string("12\0", 3), 3, 2, ERROR_MORE_DATA, 3, "", 0},
    {"string without NUL fits exactly", REG_SZ, "12X", 2, 2, ERROR_SUCCESS, 2, "12",
     kUntouched},
    {"string without NUL gets one where there is room", REG_SZ, "12X", 2, 3, ERROR_SUCCESS, 2,
     "12", 0},
    {"count leaving out the NUL stores it anyway", REG_SZ, string("12\0", 3), 2, 2,
     ERROR_MORE_DATA, 3, "", 0},
    {"string in a larger buffer", REG_SZ, string("ab\0", 3), 3, 8, ERROR_SUCCESS, 3,
     string("ab\0", 3), kUntouched},
    {"empty string", REG_SZ, "X", 0, 0, ERROR_SUCCESS, 0, "", kUntouched},
    // Seen under Wine 8; no Windows answer is on record for this one.
    {"empty string gets no NUL", REG_SZ, "X", 0, 4, ERROR_SUCCESS, 0, "", kUntouched},
    {"expandable string", REG_EXPAND_SZ, string("%T%\0", 4), 4, 4, ERROR_SUCCESS, 4,
     string("%T%\0", 4), kUntouched},
    {"multi-string", REG_MULTI_SZ, string("a\0b\0\0", 5), 5, 5, ERROR_SUCCESS, 5,
     string("a\0b\0\0", 5), kUntouched},
    {"dword", REG_DWORD, "\x01\x02\x03\x04", 4, 4, ERROR_SUCCESS, 4, "\x01\x02\x03\x04",
     kUntouched},
    {"dword in 3 bytes", REG_DWORD, "\x01\x02\x03\x04", 4, 3, ERROR_MORE_DATA, 4, "", 0},
    {"binary gets no NUL", REG_BINARY, string("\x01\x00\x02", 3), 3, 8, ERROR_SUCCESS, 3,
     string("\x01\x00\x02", 3), kUntouched},
    {"binary too long", REG_BINARY, string("\x01\x00\x02", 3), 3, 2, ERROR_MORE_DATA, 3, "", 0},
    {"empty binary", REG_BINARY, "", 0, 4, ERROR_SUCCESS, 0, "", kUntouched},
    {"untyped", REG_NONE, "ab", 2, 2, ERROR_SUCCESS, 2, "ab", kUntouched},
    {"unknown type number", 77, "xyz", 3, 3, ERROR_SUCCESS, 3, "xyz", kUntouched},
};

class RegistryQuery : public RegistryValues,
                      public ::testing::WithParamInterface<QueryCase> {};

TEST_P(RegistryQuery, ReadsStoredBytes) {
  const QueryCase& c = GetParam();
  ASSERT_EQ(RegSetValueExA(scratch_, "value", 0, c.type,
                           reinterpret_cast<const BYTE*>(c.source.c_str()), c.count),
            ERROR_SUCCESS);

  DWORD type = 0;
  DWORD size = 0x5555;
  EXPECT_EQ(RegQueryValueExA(scratch_, "value", nullptr, &type, nullptr, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, c.size) << "size query";
  EXPECT_EQ(type, c.type);

  BYTE buffer[16];
  std::memset(buffer, kSentinel, sizeof buffer);
  size = c.buffer;
  EXPECT_EQ(RegQueryValueExA(scratch_, "value", nullptr, nullptr, buffer, &size), c.status);
  EXPECT_EQ(size, c.size);
  if (c.status != ERROR_SUCCESS) return;
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), size), c.data);
  int expected = c.after == kUntouched ? kSentinel : c.after;
  EXPECT_EQ(buffer[size], expected) << "byte after the data";
}

INSTANTIATE_TEST_SUITE_P(Registry, RegistryQuery, ::testing::ValuesIn(kQueryCases),
                         [](const ::testing::TestParamInfo<QueryCase>& info) {
                           std::string name;
                           for (const char* p = info.param.label; *p; ++p)
                             if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
                           return name;
                         });

TEST_F(RegistryValues, MissingValueIsNotFound) {
  DWORD size = 7;
  EXPECT_EQ(RegQueryValueExA(scratch_, "absent", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(size, 0u) << "a size query for a missing value answers 0";

  BYTE buffer[4] = {kSentinel, kSentinel, kSentinel, kSentinel};
  size = sizeof buffer;
  EXPECT_EQ(RegQueryValueExA(scratch_, "absent", nullptr, nullptr, buffer, &size),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(size, sizeof buffer) << "a read of a missing value leaves the size";
  EXPECT_EQ(buffer[0], kSentinel);

  EXPECT_EQ(RegDeleteValueA(scratch_, "absent"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryValues, EmptyNameIsTheDefaultValue) {
  ASSERT_EQ(Set(nullptr, REG_SZ, std::string("d\0", 2)), ERROR_SUCCESS);
  EXPECT_EQ(Get(""), std::string("d\0", 2));
  ASSERT_EQ(Set("", REG_SZ, std::string("e\0", 2)), ERROR_SUCCESS);
  EXPECT_EQ(Get(nullptr), std::string("e\0", 2));

  EXPECT_EQ(RegDeleteValueA(scratch_, ""), ERROR_SUCCESS);
  EXPECT_EQ(Get(nullptr), "<status 2>");
}

TEST_F(RegistryValues, NamesIgnoreCase) {
  ASSERT_EQ(Set("TimeStamp", REG_SZ, std::string("1\0", 2)), ERROR_SUCCESS);
  EXPECT_EQ(Get("TIMESTAMP"), std::string("1\0", 2));

  // Writing under another case replaces the one value, type and all.
  ASSERT_EQ(Set("timestamp", REG_DWORD, std::string("\x07\0\0\0", 4)), ERROR_SUCCESS);
  DWORD type = 0;
  EXPECT_EQ(Get("TimeStamp", &type), std::string("\x07\0\0\0", 4));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));

  EXPECT_EQ(RegDeleteValueA(scratch_, "TIMESTAMP"), ERROR_SUCCESS);
  EXPECT_EQ(Get("timestamp"), "<status 2>");
}

// What a handle may do follows the rights it was opened with.
TEST_F(RegistryValues, HandleRightsGateValueCalls) {
  const struct {
    REGSAM access;
    bool query, set, remove;  // whether each call is allowed
  } cases[] = {{KEY_READ, true, false, false},
               {KEY_WRITE, false, true, true},
               {KEY_QUERY_VALUE, true, false, false},
               {KEY_ALL_ACCESS, true, true, true}};
  auto answer = [](bool allowed) { return allowed ? ERROR_SUCCESS : ERROR_ACCESS_DENIED; };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.access);
    ASSERT_EQ(Set("v", REG_SZ, std::string("x\0", 2)), ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, c.access, &key), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size), answer(c.query));
    EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("y"), 2),
              answer(c.set));
    EXPECT_EQ(RegDeleteValueA(key, "v"), answer(c.remove));
    RegCloseKey(key);
  }
}

}  // namespace
