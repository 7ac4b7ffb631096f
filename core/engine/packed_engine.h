// The packed variant on the engine: the same draws as core::packed's
// filling, kept where they were drawn, and the same verdict by the column
// criterion.  Reads core::parameters (k and the byte count) like the plain
// operations and accepts the same shapes.
#pragma once

#include <cstdint>

namespace core::engine::packed {

// Draws the tuple core::packed::fill_tuple would draw, k * byte_count
// draws of random_below(256), and keeps it for test_tuple.  Draws nothing
// when k or the byte count is below 1 or beyond the table.
void fill_tuple();

// 1 when the tuple of the last fill_tuple generates B_n, else 0: the
// answer of core::packed::test_tuple_packed on the same tuple.  0 for
// shapes that fill_tuple refuses.
std::int32_t test_tuple();

}  // namespace core::engine::packed
