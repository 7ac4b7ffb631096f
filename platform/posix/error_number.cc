// The table of errno values and their Windows error numbers.  Each row is
// the failure Windows reports for the same cause; the README lists the
// same table.
#include "platform/posix/error_number.h"

#include <cerrno>

#include "platform/standard_io.h"

namespace platform::posix {
namespace {

struct ErrorNumberMapping {
  int errno_value;
  std::uint32_t windows_code;
};

// A full quota and the file-size limit are a full disk for this process;
// an empty non-blocking pipe has no data, as Windows says of its own.
constexpr ErrorNumberMapping kMappings[] = {
    {ENOENT, error::kFileNotFound},     {EMFILE, error::kTooManyOpenFiles},
    {ENFILE, error::kTooManyOpenFiles}, {EACCES, error::kAccessDenied},
    {EPERM, error::kAccessDenied},      {EISDIR, error::kAccessDenied},
    {EBADF, error::kInvalidHandle},     {ENOMEM, error::kNotEnoughMemory},
    {EROFS, error::kWriteProtect},      {ENXIO, error::kNotReady},
    {ENODEV, error::kNotReady},         {EINVAL, error::kInvalidParameter},
    {EPIPE, error::kBrokenPipe},        {ENOSPC, error::kDiskFull},
    {EDQUOT, error::kDiskFull},         {EFBIG, error::kDiskFull},
    {EAGAIN, error::kNoData},
};

}  // namespace

std::uint32_t windows_error(int errno_value) {
  for (const ErrorNumberMapping& mapping : kMappings)
    if (mapping.errno_value == errno_value) return mapping.windows_code;
  return error::kGenFailure;
}

}  // namespace platform::posix
