// The one interface between the programs and the operating system.
//
// Everything the logic needs from the system is declared here and nowhere
// else: the standard handles and the bytes that pass through them, the
// clock and tick counter, ending the process, and the processor services
// of start-up (floating-point mode, fault delivery, return addresses for
// the failure report).  Each backend (posix/, windows/) implements all of
// it; tests link a simulated one instead.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// A device handle as the text channels keep it: a descriptor on POSIX,
// a HANDLE on Windows.  kNoHandle marks a channel without a device.
using Handle = std::intptr_t;
inline constexpr Handle kNoHandle = -1;

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
// error mapping of the text channels expects (6 invalid handle, 5 access
// denied, 109 broken pipe, 112 disk full, ...).
std::uint32_t last_error();

// Ends the process with `code`; never returns.
[[noreturn]] void exit_process(std::uint32_t code);

// The local date and time of this moment, fields in this order.
struct LocalTime {
  std::uint16_t year;
  std::uint16_t month;
  std::uint16_t day;
  std::uint16_t hour;
  std::uint16_t minute;
  std::uint16_t second;
  std::uint16_t millisecond;
};
void read_local_time(LocalTime& record);

// A millisecond counter that changes from run to run (milliseconds since
// the system started), reduced to its low 32 bits.
std::uint32_t read_tick_count();

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
