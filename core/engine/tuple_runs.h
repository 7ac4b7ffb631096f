// Runs of tuples in batches: the generating count of the next tuples drawn
// from the program's random source, and the source left after them, as
// the plain operations' fill-and-test rounds leave it.  The driver hands
// out batches (up to a stop poll, a progress mark or the run's end); the
// tuples are drawn and tested ahead, by worker threads where the process
// may use more than one processor, and the random source is read and
// written once per batch.
#pragma once

#include <cstdint>

#include "core/engine/tuple_series.h"

namespace core::engine {

// The number of the next `count` (1 or more) tuples of `shape` that
// generate B_n.  The tuples tested ahead carry on while the random source
// stands where the last batch left it and the shape is the same; anything
// else (a new seed, plain draws in between, another shape) starts afresh
// from where the source stands.  Whatever the threads, the counts and the
// states are those of the plain operations.
std::int32_t run_tuples(const TupleShape& shape, std::int32_t count);

// Ends the run: the workers finish the chunk in hand and end, so that no
// thread runs beside the program's between runs and at its end (wine
// reported errors for threads still there when the process ended).  The
// next run starts afresh, with new workers.
void end_run();

// The threads that test tuples: one per usable processor from the first
// run on (0 before), or what set_engine_threads chose.  With one, no
// thread is started and the runs test their tuples themselves.
int engine_threads();

// Uses `count` threads from the next run on, or one per usable processor
// for 0; the tests and the benchmark choose, the programs take the
// processors' number.
void set_engine_threads(int count);

}  // namespace core::engine
