// The flag tuple store, its random filling and the element-against-element
// generation test; see flag_tuple.h.  The random draws come from runtime/;
// the limits on n and k are enforced by the dialogue.
#include "core/flag_tuple.h"

#include <cstdint>

#include "runtime/random_source.h"

namespace core::flags {

std::uint8_t store[kMaxComponents][kMaxElements] = {};

namespace {

// The dialogue refuses n and k outside 3..2000 and 3..120.  Should a shape
// that does not fit the table ever arrive, the filling skips it and the
// test refuses it rather than leave the store.
bool tuple_fits_store() {
  return parameters.k >= 1 && parameters.k <= kMaxComponents &&
         parameters.n >= 1 && parameters.n <= kMaxElements;
}

// Flag (r, x), both counted from 1; any non-zero byte counts as present.
std::uint8_t& flag_at(std::int32_t r, std::int32_t x) {
  return store[r - 1][x - 1];
}

}  // namespace

void fill_tuple() {
  if (!tuple_fits_store()) return;
  const std::int32_t k = parameters.k;
  const std::int32_t n = parameters.n;
  for (std::int32_t r = 1; r <= k; ++r) {
    for (std::int32_t x = 1; x <= n; ++x) {
      flag_at(r, x) = runtime::random_below(2) == 1 ? 1 : 0;
    }
  }
}

bool test_tuple_flags() {
  if (!tuple_fits_store()) return false;
  const std::int32_t k = parameters.k;
  const std::int32_t n = parameters.n;

  bool ok = false;
  std::int32_t x = 0;
  do {
    ++x;
    ok = false;
    for (std::int32_t r = 1; r <= k; ++r) ok = ok || flag_at(r, x) != 0;
    if (ok) {
      // Runs to n even after x has failed; the remaining rounds are idle.
      for (std::int32_t y = 1; y <= n; ++y) {
        if (!ok || y == x) continue;
        // Does every component that contains x also contain y?
        bool covered = true;
        for (std::int32_t r = 1; r <= k; ++r) {
          if (flag_at(r, x) != 0) covered = covered && flag_at(r, y) != 0;
        }
        if (covered) ok = false;
      }
    }
  } while (ok && x != n);
  return ok;
}

}  // namespace core::flags
