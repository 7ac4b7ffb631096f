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

#include <array>
#include <cstring>

namespace platform::posix {
namespace {

// Code page 437: the Unicode shapes of bytes 0 to 31, then 127 to 255.
constexpr char16_t kLowShapes[32] = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,
    0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC};

// 127 alone, then 128 to 255, eight to a line.
// clang-format off
constexpr char16_t kHighShapes[129] = {
    0x2302,
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};
// clang-format on

struct Glyph {
  char bytes[3];
  std::uint8_t length;
};

constexpr Glyph utf8(char16_t code) {
  Glyph g{};
  if (code < 0x80) {
    g.bytes[0] = static_cast<char>(code);
    g.length = 1;
  } else if (code < 0x800) {
    g.bytes[0] = static_cast<char>(0xC0 | (code >> 6));
    g.bytes[1] = static_cast<char>(0x80 | (code & 0x3F));
    g.length = 2;
  } else {
    g.bytes[0] = static_cast<char>(0xE0 | (code >> 12));
    g.bytes[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    g.bytes[2] = static_cast<char>(0x80 | (code & 0x3F));
    g.length = 3;
  }
  return g;
}

constexpr std::array<Glyph, 256> kGlyphs = [] {
  std::array<Glyph, 256> table{};
  for (int byte = 0; byte < 256; ++byte) {
    char16_t code = static_cast<char16_t>(byte);
    if (byte < 32) code = kLowShapes[byte];
    if (byte >= 127) code = kHighShapes[byte - 127];
    table[byte] = utf8(code);
  }
  return table;
}();

}  // namespace

std::string_view glyph(std::uint8_t byte) {
  const Glyph& g = kGlyphs[byte];
  return {g.bytes, g.length};
}

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

void ScreenOutput::request_cursor_position() { append("\x1b[6n"); }

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
