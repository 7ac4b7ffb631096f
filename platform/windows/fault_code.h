// The translation of a Windows exception into a run-time error code, kept
// apart from the handler that meets the exception so that tests can feed
// it the system's real codes.  Used only by the Windows backend.
#pragma once

#include <cstdint>

namespace platform {

// The run-time error code (200 division by zero, 201 range check, 205
// overflow, 206 underflow, 207 invalid operation, 215 integer overflow,
// 216 access violation) for an exception code such as 0xC0000094, or 0
// when the exception is not a processor fault and belongs to others.
// `mxcsr` is the SSE control and status register of the faulting context:
// SSE faults arrive as "multiple traps" and only its flags tell them apart.
std::uint16_t fault_code(std::uint32_t exception_code, std::uint32_t mxcsr);

}  // namespace platform
