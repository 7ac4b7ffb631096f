// The POSIX console holds drawn cells back for up to a millisecond, so
// that a run's progress marks do not cost a system call each
// (console_screen.cc).  What is held goes out before the process waits
// for input of any kind (the console's keys, or standard input read as
// it is), before anything is written to a standard handle, and before
// the process ends, by a signal too (standard_io.cc, process.cc and
// terminal_device.cc, which know the console only through this hook).
#pragma once

namespace platform::posix {

// Writes out what the console holds back; null until a console is used.
// Safe inside a signal handler: it only writes.
extern void (*release_held_output)();

}  // namespace platform::posix
