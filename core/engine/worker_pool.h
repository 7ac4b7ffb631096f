// Worker threads that test tuples ahead of the run, in ordered chunks of
// about a millisecond of work each.  Every tuple starts its draws at a
// known jump from the run's start, so a chunk needs nothing from the ones
// before it; the thread that runs the program takes the verdicts chunk by
// chunk, in order, and alone decides what counts.
#pragma once

#include <cstdint>

#include "core/engine/draw_streams.h"
#include "core/engine/kernels.h"
#include "core/engine/tuple_series.h"

namespace core::engine {

class WorkerPool;

// Starts `threads` (1 or more) worker threads.
WorkerPool* start_workers(int threads);

// Stops the workers (each finishes the chunk in hand) and frees the pool.
void stop_workers(WorkerPool* pool);

// Drops every chunk of the run before and starts testing tuples of
// `shape` from `start` on with `path`'s kernels.
void restart_workers(WorkerPool& pool, const TupleShape& shape,
                     const StreamOffsets& start, const Kernels& path);

// The verdicts of the next chunk of the run, in order: waits until it is
// tested and returns them, `count` (1 or more) of them.  They stay valid
// until the next call or restart; the chunk handed out before is given
// back to the workers.
const std::uint8_t* next_worker_verdicts(WorkerPool& pool, int& count);

}  // namespace core::engine
