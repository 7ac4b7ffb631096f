// Drawing and testing series of tuples; see tuple_series.h.
#include "core/engine/tuple_series.h"

#include <cstddef>
#include <cstdint>

namespace core::engine {
namespace {

// A series' draws stay within the first-level cache while they are tested.
constexpr std::size_t kSeriesBits = 131072;

// Fills workspace.jumps for tuples of `per_tuple` draws, unless they are
// for that size already.
void prepare_jumps(Workspace& workspace, std::size_t per_tuple) {
  if (workspace.jumps_per_tuple == per_tuple) return;
  StreamOffsets step{};
  for (int i = 0; i < kStreams; ++i) {
    step.offset[i] = runtime::stream_power(i, per_tuple);
  }
  StreamOffsets power{{1, 1, 1}};
  for (int t = 0; t <= kMaxSeries; ++t) {
    for (int i = 0; i < kStreams; ++i) {
      workspace.jumps[i][t] = static_cast<std::uint32_t>(power.offset[i]);
    }
    multiply_streams(power, step);
  }
  workspace.jumps_per_tuple = per_tuple;
}

// Moves `streams` on by `tuples` (0..kMaxSeries) tuples of the prepared
// size.
void jump(const Workspace& workspace, StreamOffsets& streams, int tuples) {
  StreamOffsets factors{};
  for (int i = 0; i < kStreams; ++i) {
    factors.offset[i] = workspace.jumps[i][tuples];
  }
  multiply_streams(streams, factors);
}

// The lazy series: first the deciding draws, the first byte of every row
// (elements 1 to 8), every byte_count-th draw.  An element among them
// whose column is empty or lies in another's already fails the tuple, so
// the test on those columns alone decides every tuple it fails; only the
// tuples it passes get all their draws, from their jump ahead, and the
// whole test.
void evaluate_lazily(Workspace& workspace, const TupleShape& shape,
                     const Kernels& path, StreamOffsets& streams, int n,
                     std::uint8_t* verdicts) {
  const std::size_t per_tuple = shape.draws();
  auto* const firsts = reinterpret_cast<std::uint8_t*>(workspace.draws);
  prepare_stride_tables(shape.width, workspace.stride);
  prepare_jumps(workspace, per_tuple);
  path.draw_strided_bytes(streams, workspace.stride, firsts,
                          static_cast<std::size_t>(n) * shape.k);
  const int done = path.packed_verdicts(firsts, n, shape.k, 1, verdicts);
  for (int i = done; i < n; ++i) {
    verdicts[i] =
        path.packed_generates(firsts + static_cast<std::size_t>(i) * shape.k,
                              shape.k, 1, workspace.tuple);
  }
  for (int i = 0; i < n; ++i) {
    if (verdicts[i] == 0) continue;
    StreamOffsets at = streams;
    jump(workspace, at, i);
    path.draw_bytes(at, workspace.single, per_tuple);
    verdicts[i] = path.packed_generates(workspace.single, shape.k, shape.width,
                                        workspace.tuple);
  }
  jump(workspace, streams, n);
}

}  // namespace

int series_tuples(const TupleShape& shape) {
  const std::size_t bits = shape.draws() * (shape.packed ? 8 : 1);
  const std::size_t fits = kSeriesBits / bits;
  if (fits < 1) return 1;
  return fits < kMaxSeries ? static_cast<int>(fits) : kMaxSeries;
}

bool lazy_draws_suit(const TupleShape& shape, const Kernels& path) {
  return shape.packed && shape.width >= path.lazy_min_width &&
         shape.k <= kLazyMaxComponents;
}

void evaluate_tuples(Workspace& workspace, const TupleShape& shape,
                     const Kernels& path, StreamOffsets& streams, int tuples,
                     std::uint8_t* verdicts) {
  if (!lazy_draws_suit(shape, path)) {
    evaluate_tuples_fully(workspace, shape, path, streams, tuples, verdicts);
    return;
  }
  const int series = series_tuples(shape);
  while (tuples > 0) {
    const int n = tuples < series ? tuples : series;
    evaluate_lazily(workspace, shape, path, streams, n, verdicts);
    verdicts += n;
    tuples -= n;
  }
}

void evaluate_tuples_fully(Workspace& workspace, const TupleShape& shape,
                           const Kernels& path, StreamOffsets& streams,
                           int tuples, std::uint8_t* verdicts) {
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
