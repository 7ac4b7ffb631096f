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

}  // namespace core::engine
