// The POSIX console holds drawn cells back for up to a millisecond, so
// that a run's progress marks do not cost a system call each
// (console_screen.cc).  What is held goes out before the process waits
// for input of any kind: the console's keys, or standard input read as
// it is (standard_io.cc, which knows the console only through this hook).
#pragma once

namespace platform::posix {

// Writes out what the console holds back; null until a console is used.
extern void (*release_held_output)();

}  // namespace platform::posix
