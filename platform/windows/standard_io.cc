// Standard handles on Windows: GetStdHandle, one ReadFile or WriteFile per
// transfer, and GetLastError kept at the failure.  The codes are Windows
// numbers already; the text channels map them to their own codes.
#include "platform/standard_io.h"

#include <windows.h>

namespace platform {
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
  if (GetLastError() == ERROR_BROKEN_PIPE) {
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
