// errno values as the Windows error numbers that the text channels and the
// failure report speak (platform::error): the one place where the two
// numberings meet.
#pragma once

#include <cstdint>

namespace platform::posix {

// The Windows error number of the failure that `errno_value` names: its
// row in the table (error_number.cc), error::kGenFailure (31) for every
// value without one.
std::uint32_t windows_error(int errno_value);

}  // namespace platform::posix
