// The packed tuple store, its random filling and the byte-wise generation
// test; see packed_tuple.h.  The random draws come from runtime/; choosing
// n, k and the byte count is left to the dialogue.
#include "core/packed_tuple.h"

#include <cstdint>

#include "runtime/random_source.h"

namespace core::packed {

std::uint8_t store[kMaxComponents][kMaxBytes] = {};

namespace {

// The dialogue keeps k and n below the table limits but lets n <= 0 through,
// which gives a byte count below 1.  Any shape that does not fit the table
// is no tuple at all: the filling skips it and the test refuses it, so no
// loop below can leave the store or the meet buffer.
bool tuple_fits_store() {
  return parameters.k >= 1 && parameters.k <= kMaxComponents &&
         parameters.byte_count >= 1 && parameters.byte_count <= kMaxBytes;
}

// Byte (r, q), both counted from 1.
std::uint8_t& byte_at(std::int32_t r, std::int32_t q) {
  return store[r - 1][q - 1];
}

}  // namespace

void fill_tuple() {
  if (!tuple_fits_store()) return;
  const std::int32_t k = parameters.k;
  const std::int32_t byte_count = parameters.byte_count;
  for (std::int32_t r = 1; r <= k; ++r) {
    for (std::int32_t q = 1; q <= byte_count; ++q) {
      byte_at(r, q) = static_cast<std::uint8_t>(runtime::random_below(256));
    }
  }
}

std::int32_t test_tuple_packed() {
  if (!tuple_fits_store()) return 0;
  const std::int32_t k = parameters.k;
  const std::int32_t byte_count = parameters.byte_count;

  // Columns 1..byte_count, counted from 1 like the store.
  std::uint8_t meet[kMaxBytes];
  auto meet_at = [&meet](std::int32_t j) -> std::uint8_t& {
    return meet[j - 1];
  };

  bool ok = true;
  std::int32_t q = 0;
  do {
    ++q;
    // Element 8(q-1)+s.  Once one element fails, the rest of the column
    // is skipped and the column loop ends below.
    for (std::int32_t s = 1; s <= 8 && ok; ++s) {
      // Rebuilt for every element; nothing carries over.
      for (std::int32_t j = 1; j <= byte_count; ++j) meet_at(j) = 255;
      const std::uint8_t m = kMask[s];

      ok = false;
      for (std::int32_t r = 1; r <= k; ++r) {
        if ((byte_at(r, q) & m) != 0) ok = true;
      }
      if (ok) {
        for (std::int32_t r = 1; r <= k; ++r) {
          if ((byte_at(r, q) & m) == 0) continue;
          for (std::int32_t j = 1; j <= byte_count; ++j) {
            meet_at(j) &= byte_at(r, j);
          }
        }
      }

      // Runs for an element in no component too: its meet is then all
      // 255s and the scan below keeps ok false.
      meet_at(q) &= static_cast<std::uint8_t>(~m);
      for (std::int32_t j = 1; j <= byte_count; ++j) {
        if (meet_at(j) != 0) ok = false;
      }
    }
  } while (q != byte_count && ok);
  return ok ? 1 : 0;
}

}  // namespace core::packed
