// The shared tuple store and the steps both variants take on it; see
// tuple_bits.h.
#include "core/engine/tuple_bits.h"

#include <cstring>

namespace core::engine {
namespace {

int prepared_components = -1;
int prepared_words = -1;

}  // namespace

TupleBits tuple_bits;

void prepare_rows(int k, int n) {
  const int words = (n + 63) / 64;
  if (k == prepared_components && words == prepared_words) return;
  std::memset(tuple_bits.row_words, 0, sizeof tuple_bits.row_words);
  tuple_bits.row_stride = row_stride_for(n);
  prepared_components = k;
  prepared_words = words;
}

}  // namespace core::engine
