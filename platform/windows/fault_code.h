// The translation of a Windows exception into a run-time error code, kept
// apart from the handler that meets the exception so that tests can feed
// it the system's real codes.  Used only by the Windows backend.
#pragma once

#include <cstdint>

#include "platform/process.h"

namespace platform {

// The fault that an exception code such as 0xC0000094 reports, or
// Fault::kNone when the exception is not a processor fault and belongs to
// others.
// `mxcsr` is the SSE control and status register of the faulting context:
// SSE faults arrive as "multiple traps" and only its flags tell them apart.
Fault fault_code(std::uint32_t exception_code, std::uint32_t mxcsr);

}  // namespace platform
