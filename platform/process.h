// The process itself: its end, the processor services of start-up
// (floating-point mode, fault delivery) and the return addresses of the
// failure report.  Each backend implements it in its process.cc; tests
// link a simulated one instead.
#pragma once

#include <cstdint>

namespace platform {

// Ends the process with `code`; never returns.
[[noreturn]] void exit_process(std::uint32_t code);

// Start-up: 64-bit precision, rounding to nearest, traps on invalid
// operation, division by zero and overflow (x87 control word 0x1332, and
// the same traps for scalar SSE arithmetic).
void prepare_floating_point();

// Called when the processor faults: `code` is the run-time error code
// (200 division by zero, 205 overflow, 207 invalid operation, 216 access
// violation, ...) and `location` the faulting instruction.  The handler
// must not return.
using FaultHandler = void (*)(std::uint16_t code, std::uintptr_t location);
void install_fault_handler(FaultHandler handler);

// Fills `out` with the return addresses of the active routines, innermost
// first, starting with the caller of this function; returns how many.
int capture_return_addresses(std::uintptr_t* out, int capacity);

// The start of the routine that contains `address`, or 0 when unknown.
std::uintptr_t enclosing_routine(std::uintptr_t address);

// `address` as an offset from the load address of the executable, the
// form that the failure report prints and addr2line reads.
std::uint32_t module_offset(std::uintptr_t address);

}  // namespace platform
