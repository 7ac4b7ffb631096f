// What the screen and input halves of the POSIX console share: the
// terminals made raw, with the saved modes and the signal handlers that
// give them back (terminal_device.cc), and the bytes a terminal sent before
// anyone asked for keys (kept by console_input.cc).
#pragma once

#include <cstddef>
#include <cstdint>

struct termios;

namespace platform::posix {

// Changes `mode` to the one the console runs in: no echo, no line editing
// or extended input processing, no XON/XOFF, no CR-to-LF or other input
// translation, reads that return as soon as one byte is there.  Signals
// (Ctrl-C, Ctrl-\, Ctrl-Z) and output processing stay as they were.
void make_raw_mode(termios& mode);

// Saves the mode of the terminal behind `descriptor` and makes it raw,
// once per terminal (two descriptors on one terminal share it); the first
// time, installs the signal handlers.  False when `descriptor` is no
// terminal or its mode cannot be read.
bool take_terminal(int descriptor);

// Puts back every saved mode; safe to call again, and inside a signal
// handler.
void restore_terminals();

// Writes what the console holds back, restores the terminals and ends the
// process by `signal`'s default action, as if it had never been caught.
[[noreturn]] void die_of(int signal);

// True once after the process has been continued from a stop: what the
// shell wrote meanwhile may have moved the terminal's cursor.
bool continued_since_last_asked();

// True once after the terminal's window has changed size (SIGWINCH).
bool resized_since_last_asked();

// True when both descriptors lead to the same terminal.
bool same_terminal(int first, int second);

// Hands bytes read from the terminal behind `descriptor` while waiting for
// something else (a cursor position report) to the key input, when that
// terminal is the one keys come from; otherwise they are dropped.
void keep_typeahead(int descriptor, const std::uint8_t* bytes,
                    std::size_t count);

}  // namespace platform::posix
