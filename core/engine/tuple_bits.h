// The engine's one tuple store, shared by both variants: rows and columns
// of bits (kernels.h), the kernels' scratch, kept so that everything past
// the current tuple's k components and n elements reads as zero.
#pragma once

#include "core/engine/kernels.h"

namespace core::engine {

extern TupleBits tuple_bits;

// Readies the rows for a tuple of k components (1..120) over n elements
// (1..2048).  When k or the number of row words differs from the last
// tuple's, every row is cleared and the row stride set; otherwise the
// caller overwrites rows 0..k-1 word for word and the rest is still zero.
void prepare_rows(int k, int n);

}  // namespace core::engine
