// The flag variant on the engine; see flag_engine.h.  A tuple's draws stay
// where they were drawn, k * n bits back to back, and the kernels test
// them there.
#include "core/engine/flag_engine.h"

#include <cstdint>

#include "core/engine/dispatch.h"
#include "core/engine/fast_draws.h"
#include "core/engine/kernels.h"
#include "core/engine/tuple_bits.h"
#include "core/flag_tuple.h"
#include "core/parameters.h"

namespace core::engine::flags {
namespace {

// The last tuple, as drawn or taken from the plain store: its words and
// the bit of the first word where it starts.
const std::uint64_t* tuple_draws = nullptr;
int tuple_first_bit = 0;

// A copy of the plain store in the order of the draws, and one word more
// for the kernels to read.
std::uint64_t taken[(kMaxComponents * kMaxElements + 63) / 64 + 1];

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

bool drawn_flag(std::int32_t r, std::int32_t x) {
  const std::size_t bit = static_cast<std::size_t>(tuple_first_bit) +
                          static_cast<std::size_t>(r - 1) * parameters.n +
                          static_cast<std::size_t>(x - 1);
  return ((tuple_draws[bit / 64] >> (bit % 64)) & 1) != 0;
}

void take_plain_store() {
  if (!tuple_fits_store()) return;
  const int k = parameters.k;
  const int n = parameters.n;
  for (std::uint64_t& word : taken) word = 0;
  for (int r = 0; r < k; ++r) {
    for (int x = 0; x < n; ++x) {
      if (core::flags::store[r][x] == 0) continue;
      const std::size_t bit = static_cast<std::size_t>(r) * n + x;
      taken[bit / 64] |= std::uint64_t{1} << (bit % 64);
    }
  }
  tuple_draws = taken;
  tuple_first_bit = 0;
}

}  // namespace core::engine::flags
