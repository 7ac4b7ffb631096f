// The steps every kernel takes on a tuple store (kernels.h) before it
// writes a tuple's rows: everything past the tuple's k components and n
// elements must read as zero.  Each thread that tests tuples has a store
// of its own.
#pragma once

#include "core/engine/kernels.h"

namespace core::engine {

// Readies the rows of `tuple` for a tuple of k components (1..120) over n
// elements (1..2048).  When k or the number of row words differs from the
// last tuple's in this store, every row is cleared and the row stride
// set; otherwise the caller overwrites rows 0..k-1 word for word and the
// rest is still zero.
void prepare_rows(TupleBits& tuple, int k, int n);

}  // namespace core::engine
