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

// The processor faults that the programs report; the runtime gives each
// its run-time error number.
enum class Fault : std::uint8_t {
  kNone,              // no processor fault: the exception is another's
  kDivisionByZero,    // integer or floating-point
  kRangeCheck,        // a bound exceeded, a subscript out of range
  kOverflow,          // floating-point
  kUnderflow,         // floating-point
  kInvalidOperation,  // floating-point, and every other floating fault
  kIntegerOverflow,   // the overflow trap of integer arithmetic
  kAccessViolation,   // memory that may not be touched, stack overflow
};

// Called when the processor faults, with the fault (never kNone) and
// `location` the faulting instruction.  The handler must not return.
using FaultHandler = void (*)(Fault fault, std::uintptr_t location);
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
