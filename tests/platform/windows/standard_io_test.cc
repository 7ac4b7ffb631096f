// The standard-handle operations of the Windows backend on real handles:
// pipes, files and the NUL device.  What is Windows' own: the end of a
// pipe arrives as an error that means end of input, and the failures keep
// their Windows codes until the text channels map them.
#include "platform/standard_io.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "runtime/text_channel.h"

namespace {

using platform::Handle;

Handle handle_of(HANDLE native) { return reinterpret_cast<Handle>(native); }

struct Pipe {
  HANDLE reader = nullptr;
  HANDLE writer = nullptr;
  Pipe() { CreatePipe(&reader, &writer, nullptr, 0); }
  ~Pipe() {
    if (reader != nullptr) CloseHandle(reader);
    if (writer != nullptr) CloseHandle(writer);
  }
  void close_reader() {
    CloseHandle(reader);
    reader = nullptr;
  }
  void close_writer() {
    CloseHandle(writer);
    writer = nullptr;
  }
};

// A file in the temporary folder, deleted when closed.
HANDLE temporary_file(DWORD access) {
  char folder[MAX_PATH];
  char path[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  GetTempFileNameA(folder, "wpt", 0, path);
  return CreateFileA(
      path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

bool write_text(Handle handle, const std::string& text,
                std::uint32_t& written) {
  return platform::write_file(
      handle, reinterpret_cast<const std::uint8_t*>(text.data()),
      static_cast<std::uint32_t>(text.size()), written);
}

TEST(StandardIo, BytesPassThroughAPipeUntilItsWriterCloses) {
  Pipe pipe;
  ASSERT_NE(pipe.reader, nullptr);
  std::uint32_t written = 0;
  ASSERT_TRUE(write_text(handle_of(pipe.writer), "42\r\n", written));
  EXPECT_EQ(written, 4u);
  std::uint8_t buffer[256];
  std::uint32_t got = 0;
  ASSERT_TRUE(platform::read_file(handle_of(pipe.reader), buffer, 256, got));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), got), "42\r\n");
  // Windows reports the writer's end as a broken pipe: end of input here.
  pipe.close_writer();
  got = 99;
  EXPECT_TRUE(platform::read_file(handle_of(pipe.reader), buffer, 256, got));
  EXPECT_EQ(got, 0u);
}

TEST(StandardIo, FailuresKeepTheirWindowsCodes) {
  Pipe pipe;
  std::uint8_t buffer[16];
  std::uint32_t count = 0;
  // Reading from the end that only writes.
  EXPECT_FALSE(platform::read_file(handle_of(pipe.writer), buffer, 16, count));
  EXPECT_EQ(platform::last_error(), 5u);  // ERROR_ACCESS_DENIED
  // Writing to a pipe nobody reads any more.
  pipe.close_reader();
  EXPECT_FALSE(write_text(handle_of(pipe.writer), "x", count));
  EXPECT_EQ(platform::last_error(), 232u);  // ERROR_NO_DATA
  // A handle that was never opened.
  EXPECT_FALSE(write_text(0, "x", count));
  EXPECT_EQ(platform::last_error(), 6u);  // ERROR_INVALID_HANDLE
  HANDLE file = temporary_file(GENERIC_READ | GENERIC_WRITE);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(platform::close_handle(handle_of(file)));
  EXPECT_FALSE(platform::close_handle(handle_of(file)));
  EXPECT_EQ(platform::last_error(), 6u);
}

TEST(StandardIo, DeviceKinds) {
  Pipe pipe;
  HANDLE file = temporary_file(GENERIC_READ | GENERIC_WRITE);
  HANDLE null_device =
      CreateFileA("NUL", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(platform::file_type(handle_of(pipe.reader)),
            platform::FileType::kPipe);
  EXPECT_EQ(platform::file_type(handle_of(file)), platform::FileType::kDisk);
  EXPECT_EQ(platform::file_type(handle_of(null_device)),
            platform::FileType::kChar);
  EXPECT_EQ(platform::file_type(0), platform::FileType::kUnknown);
  CloseHandle(file);
  CloseHandle(null_device);
}

// The text channels turn the backend's Windows codes into their own.
TEST(StandardIo, ChannelsReportWindowsFailuresWithTheirCodes) {
  struct Row {
    const char* device;
    std::uint16_t expected;
  } rows[] = {
      {"pipe without reader", 232},
      {"file opened for reading", 5},
      {"no handle", 6},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.device);
    Pipe pipe;
    pipe.close_reader();
    HANDLE file = temporary_file(GENERIC_READ);
    const std::string device = row.device;
    const Handle handle = device == "pipe without reader"
                              ? handle_of(pipe.writer)
                          : device == "no handle" ? platform::kNoHandle
                                                  : handle_of(file);
    runtime::TextChannel channel;
    runtime::open_standard_channel(channel, runtime::ChannelMode::kOutput,
                                   handle);
    runtime::io_error = 0;
    runtime::write_string(channel, 0, "Give n: ");
    runtime::end_write(channel);
    EXPECT_EQ(runtime::io_error, row.expected);
    runtime::io_error = 0;
    CloseHandle(file);
  }
}

}  // namespace
