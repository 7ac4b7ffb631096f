// The standard handles and the bytes that pass through them: what the
// text channels read, write and close, and the error code of a failed
// call.  Each backend implements it in its standard_io.cc; tests link a
// simulated one instead.
#pragma once

#include <cstdint>

#include "platform/handle.h"

namespace platform {

enum class StandardHandle { kInput, kOutput, kError };

// The handle the process was started with; the same value on every call.
Handle standard_handle(StandardHandle which);

// Writes `count` bytes and reports in `written` how many the device took.
// False when the call failed; `last_error` then tells why.  A short count
// without failure is possible only when the device refuses the rest.
bool write_file(Handle handle, const std::uint8_t* data, std::uint32_t count,
                std::uint32_t& written);

// Reads up to `count` bytes; `got` is 0 at end of input.  False when the
// call failed; `last_error` then tells why.
bool read_file(Handle handle, std::uint8_t* data, std::uint32_t count,
               std::uint32_t& got);

// Releases a handle; false on failure.
bool close_handle(Handle handle);

enum class FileType { kUnknown, kDisk, kChar, kPipe };

// What kind of device stands behind a handle (a terminal is kChar).
FileType file_type(Handle handle);

// The code of the last failed call above, in the Windows numbering that the
// error mapping of the text channels expects (error:: below).
std::uint32_t last_error();

// The codes last_error gives, Windows' own numbers on every platform (the
// names of <windows.h> at each).  The POSIX backend maps errno onto them.
namespace error {
inline constexpr std::uint32_t kFileNotFound = 2;       // FILE_NOT_FOUND
inline constexpr std::uint32_t kTooManyOpenFiles = 4;   // TOO_MANY_OPEN_FILES
inline constexpr std::uint32_t kAccessDenied = 5;       // ACCESS_DENIED
inline constexpr std::uint32_t kInvalidHandle = 6;      // INVALID_HANDLE
inline constexpr std::uint32_t kNotEnoughMemory = 8;    // NOT_ENOUGH_MEMORY
inline constexpr std::uint32_t kWriteProtect = 19;      // WRITE_PROTECT
inline constexpr std::uint32_t kNotReady = 21;          // NOT_READY
inline constexpr std::uint32_t kGenFailure = 31;        // GEN_FAILURE
inline constexpr std::uint32_t kSharingViolation = 32;  // SHARING_VIOLATION
inline constexpr std::uint32_t kInvalidParameter = 87;  // INVALID_PARAMETER
inline constexpr std::uint32_t kBrokenPipe = 109;       // BROKEN_PIPE
inline constexpr std::uint32_t kDiskFull = 112;         // DISK_FULL
inline constexpr std::uint32_t kNoData = 232;           // NO_DATA
}  // namespace error

}  // namespace platform
