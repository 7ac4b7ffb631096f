// The flag variant on the engine: the same draws as core::flags' filling,
// kept as bits instead of one byte per flag, and the same verdicts as its
// test, tuples in batches.  Reads core::parameters (n and k) like the
// plain operations and accepts the same shapes.
#pragma once

#include <cstdint>

namespace core::engine::flags {

// The number of the next `count` (1 or more) tuples that generate B_n:
// what `count` rounds of core::flags::fill_tuple and test_tuple_flags
// count, with the random state left as they leave it.  0, drawing
// nothing, when k or n is below 1 or beyond the table.
std::int32_t run_tuples(std::int32_t count);

}  // namespace core::engine::flags
