// Reading and writing through a handle: the file pointer (SetFilePointer,
// SetFilePointerEx), sizes (GetFileSize, GetFileSizeEx), ReadFile, WriteFile,
// FlushFileBuffers, as the overwriting eraser uses them.
#include "tests/conformance/Conformance.h"

namespace {

class FilesReadWrite : public Conformance {
 protected:
  void SetUp() override {
    Conformance::SetUp();
    if (HasFatalFailure()) return;
    file_ = CreateFileA(Path("data").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file_, INVALID_HANDLE_VALUE) << GetLastError();
  }
  void TearDown() override {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    Conformance::TearDown();
  }
  void Write(const std::string& bytes) {
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        << GetLastError();
    ASSERT_EQ(written, bytes.size());
  }
  std::string Read(DWORD count) {
    std::string bytes(count, '?');
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(file_, &bytes[0], count, &got, nullptr)) << GetLastError();
    bytes.resize(got);
    return bytes;
  }
  DWORD Seek(LONG distance, DWORD method) {
    return SetFilePointer(file_, distance, nullptr, method);
  }
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

TEST_F(FilesReadWrite, WritesAtThePointerAndFillsGapsWithZeros) {
  Write("hello");
  EXPECT_EQ(Seek(0, FILE_CURRENT), 5u);
  EXPECT_EQ(Seek(8, FILE_BEGIN), 8u);
  EXPECT_EQ(GetFileSize(file_, nullptr), 5u) << "moving the pointer alone does not extend";
  Write("XY");
  EXPECT_EQ(GetFileSize(file_, nullptr), 10u);
  EXPECT_EQ(Seek(1, FILE_BEGIN), 1u);
  Write("E");
  EXPECT_EQ(Seek(0, FILE_BEGIN), 0u);
  EXPECT_EQ(Read(100), std::string("hEllo\0\0\0XY", 10));
  EXPECT_EQ(Read(100), "") << "reading at the end gives nothing, and succeeds";
}

TEST_F(FilesReadWrite, ZeroByteWriteAfterTheEndDoesNotExtend) {
  Write("abc");
  EXPECT_EQ(Seek(100, FILE_BEGIN), 100u);
  DWORD written = 7;
  EXPECT_EQ(Result(WriteFile(file_, "x", 0, &written, nullptr)), kSucceeds);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(GetFileSize(file_, nullptr), 3u);
}

TEST_F(FilesReadWrite, ReadingMovesThePointer) {
  Write("0123456789");
  EXPECT_EQ(Seek(-4, FILE_END), 6u);
  EXPECT_EQ(Read(2), "67");
  EXPECT_EQ(Seek(0, FILE_CURRENT), 8u);
  EXPECT_EQ(Seek(-3, FILE_CURRENT), 5u);
  EXPECT_EQ(Read(3), "567");
}

TEST_F(FilesReadWrite, SizeWithAndWithoutTheHighWord) {
  Write("12345");
  DWORD high = 99;
  EXPECT_EQ(GetFileSize(file_, &high), 5u);
  EXPECT_EQ(high, 0u);
  LARGE_INTEGER size;
  size.QuadPart = -1;
  EXPECT_EQ(Result(GetFileSizeEx(file_, &size)), kSucceeds);
  EXPECT_EQ(size.QuadPart, 5);
}

TEST_F(FilesReadWrite, PointerBeforeTheStartIsRefused) {
  Write("abc");
  EXPECT_EQ(Seek(-1, FILE_BEGIN), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
  EXPECT_EQ(Seek(-4, FILE_END), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
  EXPECT_EQ(Seek(0, FILE_CURRENT), 3u) << "a refused move leaves the pointer";
  LARGE_INTEGER distance, moved;
  distance.QuadPart = -5;
  EXPECT_EQ(Result(SetFilePointerEx(file_, distance, &moved, FILE_CURRENT)),
            FailsWith(ERROR_NEGATIVE_SEEK));
  EXPECT_EQ(Seek(0, 7), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// Without the high word the distance is signed and the position must fit in
// 32 bits. Windows refuses a move past 4 GiB then; Wine 8 makes it and
// answers the low part. With the high word, positions are 64-bit.
TEST_F(FilesReadWrite, PointerPastFourGigabytes) {
  EXPECT_EQ(Seek(0x7FFFFFFF, FILE_BEGIN), 0x7FFFFFFFu);
  EXPECT_EQ(Seek(0x7FFFFFFF, FILE_CURRENT), 0xFFFFFFFEu);
  SetLastError(ERROR_SUCCESS);
  DWORD past = Seek(10, FILE_CURRENT);
  EXPECT_EQ(past, WindowsOrWine<DWORD>(INVALID_SET_FILE_POINTER, 8));
  EXPECT_EQ(GetLastError(), WindowsOrWine<DWORD>(ERROR_INVALID_PARAMETER, ERROR_SUCCESS));

  LONG high = 1;
  EXPECT_EQ(SetFilePointer(file_, 5, &high, FILE_BEGIN), 5u);
  EXPECT_EQ(high, 1);
  LARGE_INTEGER distance, moved;
  distance.QuadPart = 0;
  EXPECT_EQ(Result(SetFilePointerEx(file_, distance, &moved, FILE_CURRENT)), kSucceeds);
  EXPECT_EQ(moved.QuadPart, 0x100000005LL);
  EXPECT_EQ(GetFileSize(file_, nullptr), 0u) << "no write, no growth";
}

TEST_F(FilesReadWrite, HandlesDoOnlyWhatTheyWereOpenedFor) {
  Write("abc");
  CloseHandle(file_);
  file_ = CreateFileA(Path("data").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                      0, nullptr);
  ASSERT_NE(file_, INVALID_HANDLE_VALUE) << GetLastError();
  DWORD written = 9;
  EXPECT_EQ(Result(WriteFile(file_, "x", 1, &written, nullptr)), FailsWith(ERROR_ACCESS_DENIED));
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(Result(FlushFileBuffers(file_)), FailsWith(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Read(10), "abc");

  HANDLE writer = CreateFileA(Path("data").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_EQ(writer, INVALID_HANDLE_VALUE) << "the reader does not share writing";
  CloseHandle(file_);
  file_ = CreateFileA(Path("data").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file_, INVALID_HANDLE_VALUE) << GetLastError();
  char byte;
  DWORD got = 9;
  EXPECT_EQ(Result(ReadFile(file_, &byte, 1, &got, nullptr)), FailsWith(ERROR_ACCESS_DENIED));
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(Result(FlushFileBuffers(file_)), kSucceeds);
}

TEST_F(FilesReadWrite, ClosedHandleIsInvalid) {
  HANDLE closed = file_;
  EXPECT_EQ(Result(CloseHandle(file_)), kSucceeds);
  file_ = INVALID_HANDLE_VALUE;
  DWORD written = 0;
  EXPECT_EQ(Result(WriteFile(closed, "x", 1, &written, nullptr)), FailsWith(ERROR_INVALID_HANDLE));
  EXPECT_EQ(Result(CloseHandle(closed)), FailsWith(ERROR_INVALID_HANDLE));
}

}  // namespace
