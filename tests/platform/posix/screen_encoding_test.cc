#include "platform/posix/screen_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace platform::posix {
namespace {

TEST(ScreenOutput, AddressesTheCursorOnlyWhereItIsNotAlready) {
  ScreenOutput out;
  out.cell(0, 0, 'a', 80);
  out.cell(1, 0, 'b', 80);
  out.cell(5, 2, 'c', 80);
  out.cursor(6, 2);  // already there
  out.cursor(0, 3);
  EXPECT_EQ(out.pending(), "\x1b[1;1Hab\x1b[3;6Hc\x1b[4;1H");
  out.clear();
  out.cell(0, 3, 'd', 80);
  EXPECT_EQ(out.pending(), "d");
}

TEST(ScreenOutput, LastColumnAndWideGlyphsForgetTheCursor) {
  struct Row {
    const char* name;
    int x;
    std::uint8_t byte;
    std::string expected;  // then a cell at x + 1 (or column 0 below)
  } rows[] = {
      {"printable", 3, 'x', "\x1b[1;4Hxy"},
      {"last column", 9, 'x', "\x1b[1;10Hx\x1b[2;1Hy"},
      {"control glyph", 3, 9, "\x1b[1;4H\u25CB\x1b[1;5Hy"},
      {"high glyph", 3, 0xB0, "\x1b[1;4H\u2591\x1b[1;5Hy"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ScreenOutput out;
    out.cell(r.x, 0, r.byte, 10);
    if (r.x == 9)
      out.cell(0, 1, 'y', 10);
    else
      out.cell(r.x + 1, 0, 'y', 10);
    EXPECT_EQ(out.pending(), r.expected);
  }
}

TEST(ScreenOutput, Scroll) {
  ScreenOutput out;
  out.cursor_is(0, 24);  // as a report told
  out.cell(0, 24, 'a', 80);
  out.scroll_up(24);
  out.cell(1, 24, 'b', 80);
  EXPECT_EQ(out.pending(), "a\x1b[25;1H\n\x1b[25;2Hb");
  out.forget_cursor();
  out.clear();
  out.cursor(2, 24);
  EXPECT_EQ(out.pending(), "\x1b[25;3H");
}

TEST(ScreenOutput, NeverFillsPastItsCapacity) {
  // Callers append while it is not nearly full; the widest addressing and
  // a three-byte glyph each time.
  ScreenOutput out;
  while (!out.nearly_full()) {
    out.cell(32766, 32766, 0xDB, 32767);
    ASSERT_LE(out.pending().size(), ScreenOutput::kCapacity);
  }
  EXPECT_GT(out.pending().size(), ScreenOutput::kCapacity / 2);
}

TEST(CursorReport, FoundAmongOtherBytes) {
  struct Row {
    const char* name;
    std::string bytes;
    bool found;
    int x, y;
    std::size_t start, length;
  } rows[] = {
      {"alone", "\x1b[12;40R", true, 39, 11, 0, 8},
      {"after typed keys", "ab\x1b[3;1R", true, 0, 2, 2, 6},
      {"after a key sequence", "\x1b[A\x1b[5;5Rz", true, 4, 4, 3, 6},
      {"cut short", "\x1b[12;", false, 0, 0, 0, 0},
      {"no row", "\x1b[;5R", false, 0, 0, 0, 0},
      {"row 0", "\x1b[0;1R", false, 0, 0, 0, 0},
      {"a function key", "\x1b[1;5P", false, 0, 0, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    int x = 0, y = 0;
    std::size_t start = 0, length = 0;
    EXPECT_EQ(find_cursor_report(r.bytes, x, y, start, length), r.found);
    if (!r.found) continue;
    EXPECT_EQ(x, r.x);
    EXPECT_EQ(y, r.y);
    EXPECT_EQ(start, r.start);
    EXPECT_EQ(length, r.length);
  }
}

}  // namespace
}  // namespace platform::posix
