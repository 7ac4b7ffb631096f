// Drawing one byte at a time at the layer's own cursor.  Results of the
// console calls are not checked: a cell that could not be drawn leaves the
// layer's state as if it had been.
#include "terminal/screen.h"

namespace terminal {

TerminalState terminal_state;

platform::CellPosition console_position(std::int32_t x, std::int32_t y) {
  return {static_cast<std::int16_t>(x - 1), static_cast<std::int16_t>(y - 1)};
}

void scroll_up() {
  const TerminalState& t = terminal_state;
  const platform::CellPosition top_left =
      console_position(t.window_min_x, t.window_min_y);
  const platform::CellPosition bottom_right =
      console_position(t.window_max_x, t.window_max_y);
  const platform::CellRectangle window{top_left.x, top_left.y, bottom_right.x,
                                       bottom_right.y};
  // One row above the window: its top row falls outside the clip and is
  // lost; the uncovered bottom row is filled with blanks.
  const platform::CellPosition destination{
      top_left.x, static_cast<std::int16_t>(top_left.y - 1)};
  platform::scroll_screen(t.output_handle, window, window, destination, ' ',
                          t.text_attribute);
}

void put_char(std::uint8_t c) {
  TerminalState& t = terminal_state;
  switch (c) {
    case 7:  // bell: silent
      break;
    case 8:
      if (t.cursor_x > t.window_min_x) --t.cursor_x;
      break;
    case 10:
      ++t.cursor_y;
      break;
    case 13:
      t.cursor_x = t.window_min_x;
      break;
    default:
      platform::write_cell(t.output_handle,
                           console_position(t.cursor_x, t.cursor_y), c,
                           t.text_attribute);
      ++t.cursor_x;
      break;
  }
  // The cursor leaves a row as soon as its last column is written.
  if (t.cursor_x > t.window_max_x) {
    t.cursor_x = t.window_min_x;
    ++t.cursor_y;
  }
  while (t.cursor_y > t.window_max_y) {
    scroll_up();
    --t.cursor_y;
  }
}

void follow_screen() {
  TerminalState& t = terminal_state;
  if (!platform::screen_changed(t.output_handle)) return;
  platform::ScreenInfo info{};
  if (!platform::query_screen(t.output_handle, info)) return;
  t.window_max_x = info.size.x;
  t.window_max_y = info.size.y;
  t.cursor_x = info.cursor.x + 1;
  t.cursor_y = info.cursor.y + 1;
}

void place_cursor() {
  platform::set_cursor(
      terminal_state.output_handle,
      console_position(terminal_state.cursor_x, terminal_state.cursor_y));
}

}  // namespace terminal
