// Drawing on a terminal.  The sequences written:
//
//   CSI row ; column H   cursor addressing (1-based)
//   LF                   on the bottom row: the screen scrolls up one row
//   CSI 6 n              cursor position request
//
// and the one read: CSI row ; column R, the cursor position report.
// Characters go out as UTF-8 shapes of code page 437, never as control
// bytes.
#include "platform/posix/screen_encoding.h"

#include <cstring>

namespace platform::posix {

void ScreenOutput::append(std::string_view text) {
  std::memcpy(bytes_ + length_, text.data(), text.size());
  length_ += text.size();
}

void ScreenOutput::append_number(int value) {
  char digits[12];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0);
  while (count > 0) bytes_[length_++] = digits[--count];
}

void ScreenOutput::address(int x, int y) {
  append("\x1b[");
  append_number(y + 1);
  append(";");
  append_number(x + 1);
  append("H");
  cursor_x_ = x;
  cursor_y_ = y;
}

void ScreenOutput::cell(int x, int y, std::uint8_t byte, int width) {
  if (x != cursor_x_ || y != cursor_y_) address(x, y);
  append(glyph(byte));
  // At the last column the terminal holds the cursor there, waiting to
  // wrap; only addressing gets it out again without a scroll.  Some
  // terminals draw a few of the PC's symbols two cells wide.
  if (x + 1 >= width || byte < 32 || byte >= 127) {
    forget_cursor();
  } else {
    cursor_x_ = x + 1;
  }
}

void ScreenOutput::cursor(int x, int y) {
  if (x != cursor_x_ || y != cursor_y_) address(x, y);
}

void ScreenOutput::scroll_up(int last_row) {
  address(0, last_row);
  append("\n");
  forget_cursor();
}

void ScreenOutput::cursor_is(int x, int y) {
  cursor_x_ = x;
  cursor_y_ = y;
}

void ScreenOutput::forget_cursor() {
  cursor_x_ = -1;
  cursor_y_ = -1;
}

bool find_cursor_report(std::string_view bytes, int& x, int& y,
                        std::size_t& start, std::size_t& length) {
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
    if (bytes[i] != '\x1b' || bytes[i + 1] != '[') continue;
    int number[2] = {0, 0};
    int index = 0;
    bool digits = false;
    std::size_t j = i + 2;
    for (; j < bytes.size() && j < i + 16; ++j) {
      const char c = bytes[j];
      if (c >= '0' && c <= '9') {
        if (number[index] < 100000)
          number[index] = number[index] * 10 + (c - '0');
        digits = true;
      } else if (c == ';' && index == 0 && digits) {
        index = 1;
        digits = false;
      } else {
        break;
      }
    }
    if (j < bytes.size() && bytes[j] == 'R' && index == 1 && digits &&
        number[0] >= 1 && number[1] >= 1) {
      x = number[1] - 1;
      y = number[0] - 1;
      start = i;
      length = j + 1 - i;
      return true;
    }
  }
  return false;
}

}  // namespace platform::posix
