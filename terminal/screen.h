// Drawing on the console: the terminal state (handles, attribute, window,
// the layer's own cursor) and the three steps every output byte and every
// echo goes through.  Columns and rows count from 1 here, as in the
// layer's cursor; console_position turns them into the console's cells.
#pragma once

#include <cstdint>

#include "platform/console.h"

namespace terminal {

struct TerminalState {
  platform::Handle output_handle = platform::kNoHandle;  // the screen
  platform::Handle input_handle = platform::kNoHandle;   // console input
  std::uint8_t text_attribute = 7;  // of every cell and of scrolled-in rows
  // The window, 1-based and inclusive: the whole screen buffer.
  std::int32_t window_min_x = 1;
  std::int32_t window_min_y = 1;
  std::int32_t window_max_x = 80;
  std::int32_t window_max_y = 25;
  // Where the next character goes, 1-based; the console's cursor is moved
  // here only by place_cursor.
  std::int32_t cursor_x = 1;
  std::int32_t cursor_y = 1;
};

// The program's one terminal state, set up by terminal_start.
extern TerminalState terminal_state;

// The console cell of 1-based column `x` and row `y`.
platform::CellPosition console_position(std::int32_t x, std::int32_t y);

// Draws one byte at the layer's cursor: 7 nothing, 8 one column left (not
// past the left edge, nothing erased), 10 one row down, 13 to the left
// edge, every other byte a cell with that character.  Then wraps past the
// right edge and scrolls past the bottom row.  The console's cursor does
// not move.
void put_char(std::uint8_t c);

// The window up by one row; the bottom row becomes blank in the text
// attribute.  The layer's cursor does not move.
void scroll_up();

// Moves the console's cursor to the layer's cursor.
void place_cursor();

// When the console says its screen may have changed behind the program
// (a resized window, a stop and continue), takes the screen's size and
// cursor again: drawing goes on from where the cursor now stands, wraps
// at the new right edge and scrolls at the new bottom row.  Nothing on
// the screen is redrawn.  Called before every write and around every key
// wait, never in the middle of drawing; without a change it asks nothing
// more of the console.
void follow_screen();

}  // namespace terminal
