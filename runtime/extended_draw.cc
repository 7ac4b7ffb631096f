// The extended-precision steps of a draw, carried out on integers; see
// extended_draw.h.  Every value is a non-negative fixed-point number with
// kFractionBits fractional bits, wide enough that each rounded value of a
// draw is held exactly.
#include "runtime/extended_draw.h"

#include <cstdint>

namespace runtime {
namespace {

// GCC and Clang offer 128-bit integers on every 64-bit target.
__extension__ typedef unsigned __int128 Wide;

// The smallest non-zero quotient, 1/765240 or more, lies above 2^-20, so
// its last significand bit is worth 2^(-20-63) at least; sums and products
// of such values keep that grid.
constexpr int kFractionBits = 83;
// Quotients are first formed with this many more bits, which always leaves
// bits below the 64th for the rounding decision.
constexpr int kQuotientExtraBits = 13;

int bit_length(Wide value) {
  const auto high = static_cast<std::uint64_t>(value >> 64);
  const auto low = static_cast<std::uint64_t>(value);
  if (high != 0) return 128 - __builtin_clzll(high);
  if (low != 0) return 64 - __builtin_clzll(low);
  return 0;
}

// `value` rounded to 64 significant bits, to nearest, ties to even.
// `beyond` says the exact number lies strictly above `value` (a remainder
// was cut off); callers pass it only when `value` has more than 64 bits.
Wide round_to_significand(Wide value, bool beyond) {
  const int length = bit_length(value);
  if (length <= 64) return value;
  const int dropped = length - 64;
  const Wide kept = value >> dropped;
  const Wide rest = value & ((Wide{1} << dropped) - 1);
  const Wide half = Wide{1} << (dropped - 1);
  const bool up = rest > half || (rest == half && (beyond || (kept & 1) != 0));
  return (kept + (up ? 1 : 0)) << dropped;
}

// state / modulus, rounded.
Wide rounded_quotient(std::uint32_t state, std::uint32_t modulus) {
  if (state == 0) return 0;
  const Wide numerator = Wide{state} << (kFractionBits + kQuotientExtraBits);
  const Wide quotient = numerator / modulus;
  const bool beyond = numerator % modulus != 0;
  // The rounded value is a multiple of 2^kQuotientExtraBits units, so the
  // shift back is exact.
  return round_to_significand(quotient, beyond) >> kQuotientExtraBits;
}

}  // namespace

std::int32_t extended_draw_below(const StreamStates& reached,
                                 std::int32_t bound) {
  // The same order of roundings as the plain random_real.
  Wide x = rounded_quotient(reached.state[0], kStreamModulus[0]);
  const Wide q2 = rounded_quotient(reached.state[1], kStreamModulus[1]);
  x = round_to_significand(x + q2, false);
  const Wide q3 = rounded_quotient(reached.state[2], kStreamModulus[2]);
  x = round_to_significand(x + q3, false);
  const Wide fraction = x & ((Wide{1} << kFractionBits) - 1);

  // Rounding to nearest is symmetric, and so is truncation toward zero: a
  // negative bound gives the negated result of its magnitude.
  const std::int64_t signed_bound = bound;
  const auto magnitude =
      static_cast<std::uint64_t>(bound < 0 ? -signed_bound : signed_bound);
  const Wide product = round_to_significand(fraction * magnitude, false);
  const auto whole = static_cast<std::int64_t>(product >> kFractionBits);
  const std::int64_t wide = bound < 0 ? -whole : whole;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(wide));
}

}  // namespace runtime
