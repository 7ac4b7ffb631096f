// Number texts: decimal integers and reals with a width and a number of
// decimals, built in fixed work areas (no allocation) as length-prefixed
// strings of at most 255 bytes.
#pragma once

#include <cstdint>
#include <string_view>

namespace runtime {

// A length byte and up to 255 bytes of text.
struct ShortString {
  std::uint8_t length = 0;
  char text[255];

  std::string_view view() const { return {text, length}; }
  // Appends one byte; bytes beyond the 255th are dropped.
  void append(char byte) {
    if (length < sizeof text) text[length++] = byte;
  }
};

// Decimal digits without leading zeros, "-" before a negative value.
ShortString format_integer(std::int32_t value);

// `value` with `decimals` digits after the point (at most 16 are used),
// right-justified in `width` (a longer text stays whole).  At most 16
// significant digits are produced; rounding is half up on the binary value
// (9.9995 gives 9.999, 0.0015 gives 0.002); the sign of a negative value
// stays even when every shown digit is 0.  Decimal exponents above 35 take
// the form 1.234E+036.  Infinities and not-a-number values give "Inf",
// "-Inf" and "Nan".
ShortString format_real(double value, std::int32_t width,
                        std::int32_t decimals);

}  // namespace runtime
