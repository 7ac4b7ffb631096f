// The flag variant on the engine; see flag_engine.h.  A tuple's draws stay
// where they were drawn, k * n bits back to back, and the kernels test
// them there.
#include "core/engine/flag_engine.h"

#include <cstdint>

#include "core/engine/dispatch.h"
#include "core/engine/fast_draws.h"
#include "core/engine/kernels.h"
#include "core/engine/tuple_bits.h"
#include "core/parameters.h"

namespace core::engine::flags {
namespace {

// The last tuple, as drawn: its words and the bit of the first word where
// it starts.
const std::uint64_t* tuple_draws = nullptr;
int tuple_first_bit = 0;

bool tuple_fits_store() {
  return parameters.k >= 1 && parameters.k <= kMaxComponents &&
         parameters.n >= 1 && parameters.n <= kMaxElements;
}

}  // namespace

void fill_tuple() {
  if (!tuple_fits_store()) return;
  tuple_draws = tuple_bit_draws(
      static_cast<std::size_t>(parameters.k) * parameters.n, tuple_first_bit);
}

bool test_tuple() {
  if (!tuple_fits_store() || tuple_draws == nullptr) return false;
  return kernels().flag_generates(tuple_draws, tuple_first_bit, parameters.k,
                                  parameters.n, tuple_bits);
}

}  // namespace core::engine::flags
