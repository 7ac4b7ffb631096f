// Standard handles on Windows: GetStdHandle, one ReadFile or WriteFile per
// transfer, and GetLastError kept at the failure.  The codes are Windows
// numbers already; the text channels map them to their own codes.
#include "platform/standard_io.h"

#include <windows.h>

namespace platform {

// The platform's names for the codes are Windows' own numbers.
static_assert(error::kFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(error::kTooManyOpenFiles == ERROR_TOO_MANY_OPEN_FILES);
static_assert(error::kAccessDenied == ERROR_ACCESS_DENIED);
static_assert(error::kInvalidHandle == ERROR_INVALID_HANDLE);
static_assert(error::kNotEnoughMemory == ERROR_NOT_ENOUGH_MEMORY);
static_assert(error::kWriteProtect == ERROR_WRITE_PROTECT);
static_assert(error::kNotReady == ERROR_NOT_READY);
static_assert(error::kGenFailure == ERROR_GEN_FAILURE);
static_assert(error::kSharingViolation == ERROR_SHARING_VIOLATION);
static_assert(error::kInvalidParameter == ERROR_INVALID_PARAMETER);
static_assert(error::kBrokenPipe == ERROR_BROKEN_PIPE);
static_assert(error::kDiskFull == ERROR_DISK_FULL);
static_assert(error::kNoData == ERROR_NO_DATA);

namespace {

std::uint32_t recorded_error = 0;

// Taken at once: a later call, even a successful one, may overwrite it.
void record_last_error() { recorded_error = GetLastError(); }

HANDLE native(Handle handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

Handle standard_handle(StandardHandle which) {
  switch (which) {
    case StandardHandle::kInput:
      return reinterpret_cast<Handle>(GetStdHandle(STD_INPUT_HANDLE));
    case StandardHandle::kOutput:
      return reinterpret_cast<Handle>(GetStdHandle(STD_OUTPUT_HANDLE));
    case StandardHandle::kError:
      return reinterpret_cast<Handle>(GetStdHandle(STD_ERROR_HANDLE));
  }
  return kNoHandle;
}

bool write_file(Handle handle, const std::uint8_t* data, std::uint32_t count,
                std::uint32_t& written) {
  // A synchronous WriteFile takes everything or fails, so one call does.
  DWORD taken = 0;
  const BOOL ok = WriteFile(native(handle), data, count, &taken, nullptr);
  written = taken;
  if (!ok) record_last_error();
  return ok != FALSE;
}

bool read_file(Handle handle, std::uint8_t* data, std::uint32_t count,
               std::uint32_t& got) {
  DWORD taken = 0;
  const BOOL ok = ReadFile(native(handle), data, count, &taken, nullptr);
  got = taken;
  if (ok) return true;
  // A pipe whose writer has gone reports "broken pipe": for a reader that
  // is the end of input, as a read of 0 bytes is on POSIX.
  if (GetLastError() == error::kBrokenPipe) {
    got = 0;
    return true;
  }
  record_last_error();
  return false;
}

bool close_handle(Handle handle) {
  if (CloseHandle(native(handle))) return true;
  record_last_error();
  return false;
}

FileType file_type(Handle handle) {
  switch (GetFileType(native(handle))) {
    case FILE_TYPE_CHAR:
      return FileType::kChar;
    case FILE_TYPE_PIPE:
      return FileType::kPipe;
    case FILE_TYPE_DISK:
      return FileType::kDisk;
    default:
      return FileType::kUnknown;
  }
}

std::uint32_t last_error() { return recorded_error; }

}  // namespace platform
