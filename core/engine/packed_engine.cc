// The packed variant on the engine; see packed_engine.h.  A tuple's draws
// stay where they were drawn, row after row, and the kernels test them
// there.
#include "core/engine/packed_engine.h"

#include <cstdint>

#include "core/engine/dispatch.h"
#include "core/engine/fast_draws.h"
#include "core/engine/kernels.h"
#include "core/engine/tuple_bits.h"
#include "core/parameters.h"

namespace core::engine::packed {
namespace {

// The last tuple, as drawn.
const std::uint8_t* tuple_draws = nullptr;

// Verdicts worked out in bulk for a series of tuples drawn ahead (see
// fast_draws.h): which series and shape they belong to, how many there
// are, and where the last tuple's verdict is, if it is there.
struct BulkVerdicts {
  std::uint64_t series = ~std::uint64_t{0};
  int k = 0;
  int byte_count = 0;
  int count = 0;
  int current = -1;
  std::uint8_t verdicts[kMaxSeries + 4];
};

BulkVerdicts bulk;

// The same shapes as the plain operations accept.
bool tuple_fits_store() {
  return parameters.k >= 1 && parameters.k <= kMaxComponents &&
         parameters.byte_count >= 1 && parameters.byte_count <= kMaxBytes;
}

}  // namespace

void fill_tuple() {
  if (!tuple_fits_store()) return;
  const int k = parameters.k;
  const int byte_count = parameters.byte_count;
  ByteSeries series;
  tuple_draws =
      tuple_byte_draws(static_cast<std::size_t>(k) * byte_count, series);
  bulk.current = -1;
  if (series.tuples == 0) return;
  if (series.number != bulk.series || k != bulk.k ||
      byte_count != bulk.byte_count) {
    bulk.series = series.number;
    bulk.k = k;
    bulk.byte_count = byte_count;
    bulk.count = kernels().packed_verdicts(series.first, series.tuples, k,
                                           byte_count, bulk.verdicts);
  }
  if (series.index < bulk.count) bulk.current = series.index;
}

std::int32_t test_tuple() {
  if (!tuple_fits_store() || tuple_draws == nullptr) return 0;
  if (bulk.current >= 0) return bulk.verdicts[bulk.current];
  return kernels().packed_generates(tuple_draws, parameters.k,
                                    parameters.byte_count, tuple_bits)
             ? 1
             : 0;
}

}  // namespace core::engine::packed
