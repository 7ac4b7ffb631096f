// The handle of a device as the programs keep it.  Every other platform
// header speaks of handles; the text channels need nothing more.
#pragma once

#include <cstdint>

namespace platform {

// A device handle as the text channels keep it: a descriptor on POSIX,
// a HANDLE on Windows.  kNoHandle marks a channel without a device.
using Handle = std::intptr_t;
inline constexpr Handle kNoHandle = -1;

}  // namespace platform
