// Code page 437, the character set of quintrel's screen, and its shapes
// in Unicode: what a terminal is sent to draw a byte (screen_encoding.cc)
// and what a typed character stands for (key_decoder.cc).
#pragma once

#include <cstdint>
#include <string_view>

namespace platform::posix {

// The UTF-8 form of the code page 437 shape of `byte`: printable ASCII as
// itself, control bytes and 127 as the PC's symbols (9 is a circle, 13 a
// note), 128 to 255 as the PC's letters, lines and blocks, 0 as a blank.
// Never a control byte, always valid UTF-8, at most 3 bytes.
std::string_view glyph(std::uint8_t byte);

// The byte from 128 to 255 whose shape is the Unicode character `code`,
// so that a character typed as it is drawn reads back as its byte; 0 for
// a character outside that half of the code page.
std::uint8_t upper_half_byte(char32_t code);

}  // namespace platform::posix
