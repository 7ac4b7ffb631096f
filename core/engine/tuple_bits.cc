// Readying a tuple store; see tuple_bits.h.
#include "core/engine/tuple_bits.h"

#include <cstring>

namespace core::engine {

void prepare_rows(TupleBits& tuple, int k, int n) {
  const int words = (n + 63) / 64;
  if (k == tuple.prepared_components && words == tuple.prepared_words) return;
  std::memset(tuple.row_words, 0, sizeof tuple.row_words);
  tuple.row_stride = row_stride_for(n);
  tuple.prepared_components = k;
  tuple.prepared_words = words;
}

}  // namespace core::engine
