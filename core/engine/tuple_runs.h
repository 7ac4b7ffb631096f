// Runs of tuples in batches: the generating count of the next tuples drawn
// from the program's random source, and the source left after them, as
// the plain operations' fill-and-test rounds leave it.  The driver hands
// out batches (up to a progress mark, a stop poll or the run's end); the
// tuples are drawn and tested ahead in series, and the random source is
// read and written once per batch.
#pragma once

#include <cstdint>

#include "core/engine/tuple_series.h"

namespace core::engine {

// The number of the next `count` (1 or more) tuples of `shape` that
// generate B_n.  The tuples drawn ahead carry on while the random source
// stands where the last batch left it and the shape is the same; anything
// else (a new seed, plain draws in between, another shape) starts afresh
// from where the source stands.
std::int32_t run_tuples(const TupleShape& shape, std::int32_t count);

}  // namespace core::engine
