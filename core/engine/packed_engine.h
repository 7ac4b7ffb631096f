// The packed variant on the engine: the same draws as core::packed's
// filling and the same verdicts as its test, tuples in batches.  Reads
// core::parameters (k and the byte count) like the plain operations and
// accepts the same shapes.
#pragma once

#include <cstdint>

namespace core::engine::packed {

// The number of the next `count` (1 or more) tuples that generate B_n:
// what `count` rounds of core::packed::fill_tuple and test_tuple_packed
// count, with the random state left as they leave it.  0, drawing
// nothing, when k or the byte count is below 1 or beyond the table.
std::int32_t run_tuples(std::int32_t count);

}  // namespace core::engine::packed
