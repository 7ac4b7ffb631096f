// Standard handles on POSIX: descriptors 0, 1 and 2, read and write with
// the all-or-error behaviour of the channel slots, and errno translated to
// the Windows error numbers the rest of the program speaks
// (error_number.h).
#include "platform/standard_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/error_number.h"
#include "platform/posix/held_output.h"

namespace platform {

void (*posix::release_held_output)() = nullptr;

namespace {

std::uint32_t recorded_error = 0;

void record_errno() { recorded_error = posix::windows_error(errno); }

}  // namespace

Handle standard_handle(StandardHandle which) {
  switch (which) {
    case StandardHandle::kInput:
      return STDIN_FILENO;
    case StandardHandle::kOutput:
      return STDOUT_FILENO;
    case StandardHandle::kError:
      return STDERR_FILENO;
  }
  return kNoHandle;
}

bool write_file(Handle handle, const std::uint8_t* data, std::uint32_t count,
                std::uint32_t& written) {
  written = 0;
  // The failure report and the start-up messages may go to the terminal
  // the console draws on: what it holds goes first, so that they appear
  // after it, at the cursor it placed.
  if (posix::release_held_output != nullptr) posix::release_held_output();
  while (written < count) {
    const ssize_t result =
        ::write(static_cast<int>(handle), data + written, count - written);
    if (result < 0) {
      if (errno == EINTR) continue;
      record_errno();
      return false;
    }
    if (result == 0) break;  // the device takes no more
    written += static_cast<std::uint32_t>(result);
  }
  return true;
}

bool read_file(Handle handle, std::uint8_t* data, std::uint32_t count,
               std::uint32_t& got) {
  got = 0;
  if (posix::release_held_output != nullptr) posix::release_held_output();
  for (;;) {
    const ssize_t result = ::read(static_cast<int>(handle), data, count);
    if (result >= 0) {
      got = static_cast<std::uint32_t>(result);
      return true;
    }
    if (errno != EINTR) {
      record_errno();
      return false;
    }
  }
}

bool close_handle(Handle handle) {
  if (::close(static_cast<int>(handle)) == 0) return true;
  record_errno();
  return false;
}

FileType file_type(Handle handle) {
  struct stat status;
  if (::fstat(static_cast<int>(handle), &status) != 0)
    return FileType::kUnknown;
  if (S_ISCHR(status.st_mode)) return FileType::kChar;
  if (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode))
    return FileType::kPipe;
  if (S_ISREG(status.st_mode) || S_ISBLK(status.st_mode))
    return FileType::kDisk;
  return FileType::kUnknown;
}

std::uint32_t last_error() { return recorded_error; }

}  // namespace platform
