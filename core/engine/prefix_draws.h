// Row-prefix draws for tuples that almost surely generate.  A tuple
// generates when every ordered pair of elements e != f has a row that
// holds e and not f; once its first rows have such a row for every pair,
// the rows after them cannot undo it.  So where that is likely, only the
// first rows of each tuple are drawn and tested, and the rest only when
// the first rows leave some pair without a witness.
#pragma once

#include <cstdint>

#include "core/engine/draw_streams.h"
#include "core/engine/kernels.h"
#include "core/engine/tuple_series.h"

namespace core::engine {

// How many first rows of each tuple of `shape` to draw first: 0 when
// the shape does not suit prefix draws (rows of at most 64 elements, or
// more than three quarters of the rows needed).  On every path alike:
// where the prefix pays on one, it paid on all that were measured.
int prefix_rows_for(const TupleShape& shape);

// Verdicts of the `tuples` tuples of `shape` whose draws follow
// `streams`, as evaluate_tuples gives them (tuple_series.h), drawing
// `prefix` rows of each first (1 <= prefix < shape.k); `streams` is left
// at the last draw of the last tuple.
void evaluate_by_prefix(Workspace& workspace, const TupleShape& shape,
                        const Kernels& path, StreamOffsets& streams, int tuples,
                        int prefix, std::uint8_t* verdicts);

}  // namespace core::engine
