// Run-time errors and the end of the program: the check after every
// statement, the exception layer that turns an error into an unhandled
// exception report on the standard output channel, processor faults
// reaching the same path, and the exit sequence every end goes through.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/error_codes.h"

namespace runtime {

// Follows every input and output statement: when io_error is set, clears
// it and raises it as a run-time error located just after the calling
// statement.  Must stay a real call (never inlined) so that its return
// address is that location.
[[gnu::noinline]] void check_io();

// Hands error `code` at `location` (a code address) to the exception layer,
// which reports it and ends the program with 217; before the layer is
// installed the plain report ends it with the code itself.
[[noreturn]] void raise_run_time_error(std::uint16_t code,
                                       std::uintptr_t location);

// The message the report shows for a run-time error code, e.g.
// "Invalid input" for 106, "Unknown Run-Time error : 109" for codes
// without a text of their own.
std::string_view error_message(std::uint16_t code, char (&scratch)[40]);

// Installs the exception layer and the delivery of processor faults.
void install_exception_layer();

// Code to run in the exit sequence before the process ends (the terminal
// layer restores the terminal here).  One hook; null for none.
using ExitHook = void (*)();
void set_exit_hook(ExitHook hook);

// The exit sequence: runs the exit hook, prints the plain report when an
// error was recorded without the exception layer, and ends the process.
[[noreturn]] void stop_program(std::uint16_t exit_code);

// The start-up code of both programs: binds the standard channels, sets the
// floating-point mode, installs the exception layer, runs `start_hook`
// (the terminal layer; may be null), then `program`, then ends with exit
// code 0.  Error reports walk the stack outwards up to the return into
// this routine.
[[noreturn, gnu::noinline]] void run_program(void (*program)(),
                                             void (*start_hook)());

}  // namespace runtime
