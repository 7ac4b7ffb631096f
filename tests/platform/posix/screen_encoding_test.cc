#include "platform/posix/screen_encoding.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace platform::posix {
namespace {

// True when `text` is well-formed UTF-8 without a control character.
bool clean_utf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80   ? 1
                         : lead < 0xC2 ? 0
                         : lead < 0xE0 ? 2
                         : lead < 0xF0 ? 3
                                       : 0;
    if (length == 0 || i + length > text.size()) return false;
    if (length == 1 && (lead < 0x20 || lead == 0x7F)) return false;
    for (std::size_t j = 1; j < length; ++j)
      if ((static_cast<unsigned char>(text[i + j]) & 0xC0) != 0x80)
        return false;
    i += length;
  }
  return true;
}

TEST(Glyphs, EveryByteIsAVisibleShapeInValidUtf8) {
  std::set<std::string> shapes;
  for (int byte = 0; byte < 256; ++byte) {
    SCOPED_TRACE(byte);
    const std::string_view g = glyph(static_cast<std::uint8_t>(byte));
    EXPECT_TRUE(clean_utf8(g));
    EXPECT_GE(g.size(), 1u);
    EXPECT_LE(g.size(), 3u);
    if (byte >= 32 && byte < 127) {
      EXPECT_EQ(g, std::string(1, static_cast<char>(byte)));
    }
    if (byte != 0) shapes.insert(std::string(g));
  }
  EXPECT_EQ(shapes.size(), 255u);  // bytes 1 to 255 all look different
  struct Row {
    int byte;
    const char* shape;
  } rows[] = {{0, " "},        {1, "\u263A"},   {7, "\u2022"},
              {9, "\u25CB"},   {13, "\u266A"},  {27, "\u2190"},
              {127, "\u2302"}, {128, "\u00C7"}, {176, "\u2591"},
              {219, "\u2588"}, {254, "\u25A0"}, {255, "\u00A0"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.byte);
    EXPECT_EQ(glyph(static_cast<std::uint8_t>(r.byte)), r.shape);
  }
}

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

TEST(ScreenOutput, ScrollAndPositionRequest) {
  ScreenOutput out;
  out.cursor_is(0, 24);  // as a report told
  out.cell(0, 24, 'a', 80);
  out.scroll_up(24);
  out.cell(1, 24, 'b', 80);
  out.request_cursor_position();
  EXPECT_EQ(out.pending(), "a\x1b[25;1H\n\x1b[25;2Hb\x1b[6n");
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
