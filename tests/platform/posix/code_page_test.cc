#include "platform/posix/code_page.h"

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

}  // namespace
}  // namespace platform::posix
