// Draws in bulk from the program's random source: exactly the values that
// the same number of runtime::random_below calls give, leaving
// the random source as those calls leave it.  No draw at all (count 0)
// changes nothing, not even a pending re-initialisation.
#pragma once

#include <cstddef>
#include <cstdint>

namespace core::engine {

// `count` draws of random_below(256).  `out` needs room for count + 63
// bytes; the bytes past `count` are scratch.
void draw_bytes(std::uint8_t* out, std::size_t count);

// `count` draws of random_below(2), from bit 0 of out[0] upward; the last
// word's bits past `count` are zero.
void draw_bits(std::uint64_t* out, std::size_t count);

// `count` draws of random_below(bound), for any bound.
void draw_below(std::int32_t bound, std::int32_t* out, std::size_t count);

// The largest number of draws one tuple takes: 120 components of 250
// bytes or of 2000 flags.
inline constexpr std::size_t kMaxTupleDraws = 240000;

// Tuples of draws drawn ahead together: where the series starts, how
// many tuples it holds (0 for a tuple drawn on its own), which of them is
// meant, and a number that differs from one series to the next.  The
// series' bytes stay valid, with 63 readable bytes after them, until a new
// series is drawn.
struct ByteSeries {
  const std::uint8_t* first;
  int tuples;
  int index;
  std::uint64_t number;
};

// The draws of one tuple, `count` (1..kMaxTupleDraws) of random_below(256)
// or of random_below(2), with the random source left after them, as draw_bytes
// and draw_bits.  The values lie in the engine's buffer, valid until the
// next call: `count` bytes (and 63 readable bytes after them), or `count`
// bits from bit `first_bit` of the returned words on (and one readable
// word after them).  For small tuples they come from a reserve drawn
// ahead for the following tuples of the same size, which `series`
// describes; the reserve is dropped whenever the source is not where
// the last tuple left it.
const std::uint8_t* tuple_byte_draws(std::size_t count, ByteSeries& series);
const std::uint64_t* tuple_bit_draws(std::size_t count, int& first_bit);

}  // namespace core::engine
