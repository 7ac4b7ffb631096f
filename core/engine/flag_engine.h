// The flag variant on the engine: the same draws as core::flags' filling,
// kept as the bits they were drawn as instead of one byte per flag, and
// the same verdict by the column criterion.  Reads core::parameters (n and
// k) like the plain operations and accepts the same shapes.
#pragma once

#include <cstdint>

namespace core::engine::flags {

// Draws the tuple core::flags::fill_tuple would draw, k * n draws of
// random_below(2), and keeps it for test_tuple.  Draws nothing when k or
// n is below 1 or beyond the table.
void fill_tuple();

// The answer of core::flags::test_tuple_flags on the tuple of the last
// fill_tuple; false for refused shapes.
bool test_tuple();

}  // namespace core::engine::flags
