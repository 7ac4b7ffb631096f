// The packed tuple store: component A_r as a bit string of n/8 bytes, the
// most significant bit first (element 8(q-1)+s is bit kMask[s] of column q),
// its random filling and the packed generation test.
#pragma once

#include <cstdint>

#include "core/parameters.h"

namespace core::packed {

// Rows 1..120 and columns 1..250, both counted from 1: byte (r, q) is
// store[r - 1][q - 1].  Zero at start; only rows 1..k and columns
// 1..byte_count belong to the current tuple.
extern std::uint8_t store[kMaxComponents][kMaxBytes];

// Bit of element s (1..8) inside its byte, counted from 1: entry 1 is 128.
inline constexpr std::uint8_t kMask[9] = {0, 128, 64, 32, 16, 8, 4, 2, 1};

// Overwrites rows 1..k, columns 1..byte_count with random_below(256) draws,
// row by row, first column first: k * byte_count draws.  Does nothing, and
// draws nothing, when k or byte_count is below 1 or beyond the table.
void fill_tuple();

// 1 when the components generate B_n (every element lies in some component
// and the meet of the components containing it is that element alone),
// else 0.  Stops at the first element that fails.  Answers 0 for k or
// byte_count below 1 or beyond the table, reading nothing in that case.
std::int32_t test_tuple_packed();

}  // namespace core::packed
