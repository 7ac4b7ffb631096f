// The bytes that draw on a terminal what the console operations ask for,
// composed apart from writing them (console_screen.cc writes), so that
// every sequence can be tested.  The terminal's cursor is followed here, to
// leave out cursor addressing where the cursor already stands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/posix/code_page.h"

namespace platform::posix {

// The cursor position request, which the terminal answers with a report.
// It is written on its own, ahead of any output held back.
inline constexpr std::string_view kCursorPositionRequest = "\x1b[6n";

// Output on its way to one terminal, and where its cursor will stand once
// that output is written.
class ScreenOutput {
 public:
  static constexpr std::size_t kCapacity = 4096;
  // Room that any one of the operations below needs at most.
  static constexpr std::size_t kLargestPiece = 32;

  // Cursor addressing (CSI row;column H), left out when the cursor already
  // stands at `x`, `y` (0-based), then the glyph.  After the last column,
  // or after a glyph that the terminal might draw two cells wide, the
  // cursor is taken as unknown, so the next cell is addressed again.
  void cell(int x, int y, std::uint8_t byte, int width);

  // Cursor addressing to `x`, `y`, unless the cursor stands there.
  void cursor(int x, int y);

  // The whole screen up by one row: to the bottom row `last_row` (0-based)
  // and a line feed there.  The cursor is unknown afterwards.
  void scroll_up(int last_row);

  // The terminal's cursor has been placed by someone else (the answer to a
  // position request), or may have moved unseen (after a stop).
  void cursor_is(int x, int y);
  void forget_cursor();

  std::string_view pending() const { return {bytes_, length_}; }
  bool nearly_full() const { return length_ + kLargestPiece > kCapacity; }
  void clear() { length_ = 0; }

 private:
  void append(std::string_view text);
  void append_number(int value);
  void address(int x, int y);

  char bytes_[kCapacity];
  std::size_t length_ = 0;
  int cursor_x_ = -1;  // -1: unknown
  int cursor_y_ = -1;
};

// Finds a cursor position report (ESC [ row ; column R) in `bytes`.  On
// success gives the 0-based position and the report's first byte and
// length, so the caller can keep the bytes around it.
bool find_cursor_report(std::string_view bytes, int& x, int& y,
                        std::size_t& start, std::size_t& length);

}  // namespace platform::posix
