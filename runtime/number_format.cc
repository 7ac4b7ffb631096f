// Decimal texts of integers and reals.  Reals are taken apart digit by digit
// in 80-bit extended arithmetic: the integer digits from repeated division
// by ten, the fraction digits from repeated multiplication, with a spare
// leading digit that absorbs a carry out of the first one.
#include "runtime/number_format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace runtime {
namespace {

constexpr int kSignificantDigits = 16;
constexpr int kMaxDecimals = 16;
constexpr int kExponentLimit = 35;  // above it the exponent form is used
constexpr long double kCorrection = 1e-15L;
constexpr long double kExactDigitsFrom = 1e18L;  // 19 integer digits

// The digits of a real with the spare digit in front: digit[0] is the
// spare, then the significant digits in order.  Values 0..9.
struct DigitString {
  int count = 1;
  unsigned char digit[1 + kSignificantDigits + kMaxDecimals + 1] = {0};

  // Adds one at `index`, carrying leftwards; the spare absorbs the last
  // carry (it can only ever reach 1).
  void add_one(int index) {
    for (; index > 0 && digit[index] == 9; --index) digit[index] = 0;
    ++digit[index];
  }
  // Appends a produced digit; a 10 is stored as 0 and carries.
  void append(long double value) {
    // Out of range only when the value has more integer digits than the
    // extended format resolves; clamp before converting.
    if (!(value >= 0)) value = 0;
    if (value > 10) value = 9;
    const int d = static_cast<int>(value);
    if (d == 10) {
      digit[count++] = 0;
      add_one(count - 2);
    } else {
      digit[count++] = static_cast<unsigned char>(d);
    }
  }
};

void pad_to_width(ShortString& text, std::int32_t width) {
  if (width > 255) width = 255;
  const int blanks = width - text.length;
  if (blanks <= 0) return;
  for (int i = text.length - 1; i >= 0; --i) text.text[i + blanks] = text.text[i];
  for (int i = 0; i < blanks; ++i) text.text[i] = ' ';
  text.length = static_cast<std::uint8_t>(text.length + blanks);
}

void append_text(ShortString& out, const char* text) {
  while (*text != '\0') out.append(*text++);
}

}  // namespace

ShortString format_integer(std::int32_t value) {
  char reversed[10];
  int count = 0;
  // Unsigned magnitude, so that -2147483648 needs no special case.
  std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value)
                                      : static_cast<std::uint32_t>(value);
  do {
    reversed[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  ShortString out;
  if (value < 0) out.append('-');
  while (count > 0) out.append(reversed[--count]);
  return out;
}

ShortString format_real(double value, std::int32_t width,
                        std::int32_t decimals) {
  ShortString out;
  const bool negative = std::signbit(value);
  // Classified by bits: comparing a NaN would trap with the programs'
  // floating-point mode.
  if (std::isnan(value) || std::isinf(value)) {
    append_text(out, std::isnan(value) ? "Nan" : negative ? "-Inf" : "Inf");
    pad_to_width(out, width);
    return out;
  }
  if (decimals > kMaxDecimals) decimals = kMaxDecimals;
  if (decimals < 0) decimals = 0;
  const long double a = std::fabs(static_cast<long double>(value));
  const long double almost_one = 1.0L - kCorrection;
  int budget = kSignificantDigits;
  DigitString digits;
  int e = 0;

  // Integer part: q[1] = a, q[2] = a / 10, ... while above almost one.
  long double q[1 + 320];
  int integer_digits = 0;
  if (a >= kExactDigitsFrom) {
    // Beyond 18 integer digits the repeated division drifts (1e35 would
    // lead with a 0); take the correctly rounded digits instead.
    char scientific[40];
    std::snprintf(scientific, sizeof scientific, "%.15e", value);
    const char* text = scientific + (negative ? 1 : 0);
    for (const char* c = text; *c != 'e'; ++c)
      if (*c != '.') digits.append(*c - '0');
    e = std::atoi(std::strchr(text, 'e') + 1);
    budget = 0;
    integer_digits = e + 1;
  } else if (a > almost_one) {
    q[++integer_digits] = a;
    for (long double next = a / 10; next > almost_one; next = next / 10)
      q[++integer_digits] = next;
    e = integer_digits - 1;
    for (int k = integer_digits; k >= 1 && budget > 0; --k, --budget) {
      const long double upper = k == integer_digits ? 0 : std::trunc(q[k + 1]);
      digits.append(std::trunc(q[k] - 10 * upper));
    }
  }

  long double f = a > almost_one ? a - std::trunc(a) : a;
  int p = budget < decimals ? budget : decimals;
  if (integer_digits == 0 && f != 0) {
    while (f < 0.1L - kCorrection) {
      f = f * 10;
      --e;
      --p;
    }
    --e;
  }
  if (p >= 0) {
    long double r = 0.5L;
    for (int i = 0; i < p; ++i) r = r / 10;
    if (f >= r) f = f + r;  // round half up
    if (std::trunc(f) == 1) {
      digits.add_one(digits.count - 1);
      f = f - std::trunc(f);
    }
    for (int i = 0; i < p; ++i) {
      f = 10 * (f > almost_one ? f - std::trunc(f) : f);
      digits.append(std::trunc(f));
    }
  }

  // The spare digit either stays 0 and goes, or leads after a carry.
  int first = 1;
  if (digits.digit[0] != 0) {
    first = 0;
    ++e;
  }
  const int count = digits.count - first;
  auto digit_char = [&](int i) {
    return i < count ? static_cast<char>('0' + digits.digit[first + i]) : '0';
  };

  if (e > kExponentLimit) {
    out.append(negative ? '-' : ' ');
    out.append(digit_char(0));
    out.append('.');
    for (int i = 1; i < count; ++i) out.append(digit_char(i));
    out.append('E');
    out.append('+');
    const ShortString exponent = format_integer(e);
    for (int i = exponent.length; i < 3; ++i) out.append('0');
    for (char c : exponent.view()) out.append(c);
  } else {
    if (negative) out.append('-');
    if (e >= 0) {
      for (int i = 0; i <= e; ++i) out.append(digit_char(i));
      if (decimals > 0) out.append('.');
      for (int i = 0; i < decimals; ++i) out.append(digit_char(e + 1 + i));
    } else {
      // 0.00ddd: |e| zeros in front of the digits, the point after the
      // first of them.
      out.append('0');
      if (decimals > 0) out.append('.');
      const int zeros = -e - 1;
      for (int i = 0; i < decimals; ++i)
        out.append(i < zeros ? '0' : digit_char(i - zeros));
    }
  }
  pad_to_width(out, width);
  return out;
}

}  // namespace runtime
