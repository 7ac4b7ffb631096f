// A simulated console behind the platform's console operations: a grid of
// cells with a cursor and attribute, a queue of scripted key events, counts
// of what was called, and a switch that makes the next call fail.  Unit
// tests drive it directly; the simulated build of quintrel loads a session
// into it (simulated_session.cc).
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console.h"

namespace fake {

// What open_console_screen gives when there is a console.
inline constexpr platform::Handle kConsoleScreen = 0x5C5C;

struct ScreenCell {
  std::uint8_t character = ' ';
  std::uint16_t attribute = 7;
};

// Keys typed together.  An ordinary batch is typed when the program waits
// for a key (it has paused and found none twice); one typed
// `while_computing` arrives at the next look for keys that finds none.
struct KeyBatch {
  std::vector<platform::InputEvent> events;
  bool while_computing = false;
};

struct ConsoleState {
  // Which consoles exist.
  bool output_is_console = false;  // queries on standard output succeed
  bool screen_opens = true;        // open_console_screen finds a screen
  bool screen_answers = true;      // queries on that screen succeed
  bool input_is_console = true;    // standard input counts events
  int queries_left = 1000;         // queries that succeed before all fail

  // The screen buffer.
  int width = 80;
  int height = 25;
  std::vector<ScreenCell> cells;  // row by row
  platform::CellPosition cursor{0, 0};
  std::uint16_t attribute = 7;
  bool changed = false;  // screen_changed answers true once

  // Input.
  std::deque<platform::InputEvent> queue;
  std::deque<KeyBatch> batches;

  // What was called.
  std::string drawn;  // the characters of every cell written, in order
  int cell_writes = 0;
  int cursor_moves = 0;
  int scrolls = 0;
  int counts = 0;  // count_input_events calls
  int pauses = 0;
  int releases = 0;

  bool fail_next_call = false;  // the next console operation fails

  // Called when the program waits for a key and none is left to type;
  // null throws KeysExhausted.  Called by release_console; may be null.
  void (*on_keys_exhausted)() = nullptr;
  void (*on_release)() = nullptr;

  // Whether the program has paused since it last looked, and how many
  // looks in a row found nothing after a pause.
  bool paused_since_look = false;
  int idle_looks = 0;
};

extern ConsoleState console;

// Set once, before any console operation runs, by a session that loads
// itself (constant-initialized, so safe from static constructors).
extern void (*console_setup)();

struct KeysExhausted {};

// A fresh console of `width` x `height` blank cells in attribute 7.
void reset_console(int width = 80, int height = 25);

// The screen takes a new size, as a resized window does: the cells that
// still fit keep their place, new ones are blank; the next screen_changed
// answers true.
void resize_console(int width, int height);

// The cell at 0-based column x, row y.
ScreenCell& cell_at(int x, int y);

// A row (0-based) with its trailing blanks dropped; bytes outside 32..126
// shown as \xHH.
std::string row_text(int y);

// Every row up to the last one that is not blank, each ended by "\n".
std::string screen_text();

// The key events of a script: each character is typed as on a US
// keyboard, '\n' is Enter, and {name} is a named key: esc, enter,
// backspace, tab, home, end, left, right, up, down, ins, del, pgup, pgdn,
// f1..f12, kp-enter, kp-slash, alt-<c>, ctrl-<c>, altgr-<c>.
std::vector<platform::InputEvent> keys(std::string_view script);

// Queues the keys of `script` at once.
void type(std::string_view script);

// The key event of typing printable `c` (32..126).
platform::InputEvent character_key(char c);

}  // namespace fake
