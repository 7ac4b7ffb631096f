// Drawing and testing series of tuples; see tuple_series.h.
#include "core/engine/tuple_series.h"

#include <cstddef>
#include <cstdint>

namespace core::engine {
namespace {

// A series' draws stay within the first-level cache while they are tested.
constexpr std::size_t kSeriesBits = 131072;

}  // namespace

int series_tuples(const TupleShape& shape) {
  const std::size_t bits = shape.draws() * (shape.packed ? 8 : 1);
  const std::size_t fits = kSeriesBits / bits;
  if (fits < 1) return 1;
  return fits < kMaxSeries ? static_cast<int>(fits) : kMaxSeries;
}

void evaluate_tuples(Workspace& workspace, const TupleShape& shape,
                     const Kernels& path, StreamOffsets& streams, int tuples,
                     std::uint8_t* verdicts) {
  const std::size_t per_tuple = shape.draws();
  const int series = series_tuples(shape);
  auto* const bytes = reinterpret_cast<std::uint8_t*>(workspace.draws);
  while (tuples > 0) {
    const int n = tuples < series ? tuples : series;
    const std::size_t total = per_tuple * static_cast<std::size_t>(n);
    if (shape.packed) {
      path.draw_bytes(streams, bytes, total);
      const int done =
          path.packed_verdicts(bytes, n, shape.k, shape.width, verdicts);
      for (int i = done; i < n; ++i) {
        verdicts[i] = path.packed_generates(
            bytes + per_tuple * static_cast<std::size_t>(i), shape.k,
            shape.width, workspace.tuple);
      }
    } else {
      path.draw_bits(streams, workspace.draws, total);
      for (int i = 0; i < n; ++i) {
        const std::size_t first = per_tuple * static_cast<std::size_t>(i);
        verdicts[i] = path.flag_generates(workspace.draws + first / 64,
                                          static_cast<int>(first % 64), shape.k,
                                          shape.width, workspace.tuple);
      }
    }
    verdicts += n;
    tuples -= n;
  }
}

}  // namespace core::engine
