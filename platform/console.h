// The console, screen and input: quintrel's terminal layer draws and reads
// through these, and quintrel alone links a backend of them (each
// backend's console_screen.cc and console_input.cc).
//
// They follow the Windows console calls named at each one, so that backend
// is a thin wrapper; the POSIX backend gives the same effects on a terminal
// with escape sequences.  Positions are 0-based cells, x the column and y
// the row, as the console counts them.  After start-up the layer checks no
// result but those of query_screen and count_input_events, so a failure
// needs no error code: last_error is not set by these operations.
#pragma once

#include <cstdint>

#include "platform/handle.h"

namespace platform {

struct CellPosition {  // COORD
  std::int16_t x;
  std::int16_t y;
};

struct CellRectangle {  // SMALL_RECT: all four edges belong to it
  std::int16_t left;
  std::int16_t top;
  std::int16_t right;
  std::int16_t bottom;
};

struct ScreenInfo {
  CellPosition size;         // width and height of the screen buffer
  CellPosition cursor;       // where the console's cursor stands
  std::uint16_t attributes;  // colours of new text
};

// A handle on the console's screen even when standard output is
// redirected; kNoHandle when the process has no console.  Windows: CreateFileA
// of "CONOUT$", read and write, shared read and write, OPEN_EXISTING.  POSIX:
// /dev/tty opened for reading and writing.
Handle open_console_screen();

// True when `screen` is a console screen, with its size, cursor and colours
// in `info`; false, and `info` untouched, for a file, a pipe or a closed
// handle.  Windows: GetConsoleScreenBufferInfo (dwSize, dwCursorPosition,
// wAttributes).  POSIX: a terminal; the size from TIOCGWINSZ (80 x 25 when
// the terminal reports 0), the cursor from the terminal's answer to a
// cursor position request, read whole however it is split and awaited up
// to a second (column 0 of the last row when none comes; after one
// request has gone unanswered, no more are made), attributes always 7, the
// terminal's own colours.  The first successful query of a terminal saves its
// mode and makes it raw: no echo, no line editing, no XON/XOFF, no CR-to-LF,
// signals kept; see release_console.
bool query_screen(Handle screen, ScreenInfo& info);

// True once after the screen may have changed behind the program's back:
// its size (the window was resized) or the place of its cursor (the
// program was stopped and continued, and a shell wrote meanwhile).  Only
// a flag is read; query_screen then tells the new size and cursor.
// Windows: always false, since the screen buffer keeps its size unless
// the program changes it.  POSIX: after SIGWINCH or SIGCONT, whose
// handlers only leave a flag for this.
bool screen_changed(Handle screen);

// Draws `character` with `attribute` in one cell; the console's cursor does
// not move.  Windows: WriteConsoleOutputA of one CHAR_INFO from a 1 x 1
// buffer at (0, 0) into the rectangle of that one cell.  POSIX: cursor
// addressing (left out when the terminal's cursor already stands there)
// and the character; control bytes and bytes from 128 up are drawn as
// their code page 437 shapes in UTF-8, so no raw control byte and no
// invalid UTF-8 reaches the terminal; the attribute is not drawn (always
// 7).  Output may be held back until the next set_cursor.
bool write_cell(Handle screen, CellPosition cell, std::uint8_t character,
                std::uint16_t attribute);

// Moves the cells of `move` so that its top left corner lands on
// `destination`, keeping only what falls inside `clip`, and fills the cells
// it uncovers with `fill_character` in `fill_attribute`.  Windows:
// ScrollConsoleScreenBufferA; where the console refuses a destination above
// the buffer (wine's does), a straight move up is made again without the
// rows that would land there, when the moved block covers them (the same
// cells come out).  POSIX: only the layer's one use is provided,
// the whole screen (as last queried) moved up by one row with blanks
// brought in at the bottom; anything else returns false and changes
// nothing.
bool scroll_screen(Handle screen, const CellRectangle& move,
                   const CellRectangle& clip, CellPosition destination,
                   std::uint8_t fill_character, std::uint16_t fill_attribute);

// Moves the console's visible cursor to `cell` and shows everything drawn
// before.  Windows: SetConsoleCursorPosition.  POSIX: cursor addressing,
// then the held-back output is written.
bool set_cursor(Handle screen, CellPosition cell);

// One console input event: the fields of a Windows INPUT_RECORD that the
// key operations read.  Only key events (event_type kKeyEvent) carry the
// other fields.
inline constexpr std::uint16_t kKeyEvent = 1;  // KEY_EVENT

struct InputEvent {
  std::uint16_t event_type;         // kKeyEvent, or another kind (mouse...)
  bool key_down;                    // bKeyDown: press, not release
  std::uint16_t virtual_key_code;   // wVirtualKeyCode
  std::uint16_t virtual_scan_code;  // wVirtualScanCode (PC set 1)
  std::uint8_t character;           // uChar.AsciiChar, 0 for none
  std::uint32_t control_key_state;  // dwControlKeyState, the bits below
};

inline constexpr std::uint32_t kRightAltPressed = 0x0001;
inline constexpr std::uint32_t kLeftAltPressed = 0x0002;
inline constexpr std::uint32_t kRightCtrlPressed = 0x0004;
inline constexpr std::uint32_t kLeftCtrlPressed = 0x0008;
inline constexpr std::uint32_t kShiftPressed = 0x0010;
inline constexpr std::uint32_t kEnhancedKey = 0x0100;

// How many input events wait in `count`, without waiting for any; false
// when `input` is no console input (a file or a pipe).  Windows:
// GetNumberOfConsoleInputEvents.  POSIX: `input` must be a terminal; the
// bytes it has sent are decoded into key events (printable ASCII with PC
// scan codes and virtual key codes, ESC before a key for the left Alt key,
// the CSI and SS3 sequences of cursor, editing and function keys with
// xterm's modifiers, ESC alone followed by 30 ms of silence for the Esc
// key), and only whole keys are counted.  POSIX makes the terminal raw on
// the first call, as query_screen does.
bool count_input_events(Handle input, std::uint32_t& count);

// Removes the oldest input event from the queue into `event`, waiting for
// one when none is queued.  Windows: ReadConsoleInputA of one record.
// POSIX: key events only (a terminal sends no releases, no mouse or focus
// events unless asked, and this backend never asks).
bool read_input_event(Handle input, InputEvent& event);

// Gives up the processor for `milliseconds`.  Windows: Sleep.
void pause_for(std::uint32_t milliseconds);

// Gives the console back as the program found it; safe to call more than
// once, and when nothing was taken.  Windows: nothing, since the console's
// modes are never changed.  POSIX: writes what set_cursor has not yet
// shown; when a cursor position request went unanswered, throws away what
// the terminal has sent and nobody read, so that a late answer does not
// reach the shell; then restores the mode of every terminal made raw.  The
// POSIX backend also writes what it holds and restores the mode by itself
// before the process dies of any signal it can catch (SIGINT, SIGTERM,
// SIGABRT, SIGUSR1, ...), and restores the mode while the process is
// stopped by SIGTSTP (raw again after SIGCONT).
void release_console();

}  // namespace platform
