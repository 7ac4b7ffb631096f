// Drawing and testing series of tuples; see tuple_series.h.
#include "core/engine/tuple_series.h"

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/engine/prefix_draws.h"

namespace core::engine {
namespace {

// The rest of tuple `i` of a lazy series, whose first `drawn` bytes of
// every row (`known`, rows of `drawn` bytes back to back) left it
// undecided.  Byte b of every row (elements 8b + 1 .. 8b + 8) is every
// width-th draw from the tuple's draw b + 1; the bytes come a byte a row
// at a time, and after 2, 4, 8 ... of them the test runs on the elements
// they hold, as a tuple of narrower rows.  Elements whose columns fail
// among themselves fail the whole tuple, so the first test that fails
// decides it, and the test on all bytes is the whole test.  Doubling
// keeps the tests of a tuple that passes them all below twice its whole
// test.
bool finish_tuple(Workspace& workspace, const TupleShape& shape,
                  const Kernels& path, const StreamOffsets& streams, int i,
                  const std::uint8_t* known, int known_bytes) {
  const int k = shape.k;
  const std::size_t width = static_cast<std::size_t>(shape.width);
  StreamOffsets at = streams;
  jump_tuples(workspace.jumps, at, i);
  if (path.finish_packed != nullptr && width <= 8) {
    return path.finish_packed(at, workspace.columns, known, known_bytes);
  }
  // The tuple as drawn so far, rows `width` bytes apart.
  std::uint8_t* const tuple = workspace.single;
  std::size_t drawn = static_cast<std::size_t>(known_bytes);
  for (int r = 0; r < k; ++r) {
    for (std::size_t b = 0; b < drawn; ++b) {
      tuple[r * width + b] = known[r * drawn + b];
    }
  }
  if (known_bytes > 1) advance_streams(at, known_bytes - 1);
  alignas(64) std::uint8_t column[kLazyMaxComponents + 64];
  while (drawn < width) {
    const std::size_t next = 2 * drawn < width ? 2 * drawn : width;
    for (; drawn < next; ++drawn) {
      advance_streams(at, 1);
      path.draw_strided_bytes(at, workspace.stride, column,
                              static_cast<std::size_t>(k));
      for (int r = 0; r < k; ++r) tuple[r * width + drawn] = column[r];
    }
    const std::uint8_t* rows = tuple;
    if (drawn < width) {
      std::uint8_t* narrow = workspace.narrow;
      for (int r = 0; r < k; ++r) {
        for (std::size_t b = 0; b < drawn; ++b) {
          *narrow++ = tuple[r * width + b];
        }
      }
      rows = workspace.narrow;
    }
    if (!path.packed_generates(rows, k, static_cast<int>(drawn),
                               workspace.tuple)) {
      return false;
    }
  }
  return true;
}

// Bit i set where verdicts[i] is 1, for i < count (at most 64): one
// multiply gathers the verdicts of eight bytes, each 0 or 1.
std::uint64_t passing_tuples(const std::uint8_t* verdicts, int count) {
  std::uint64_t bits = 0;
  for (int w = 0; 8 * w < count; ++w) {
    std::uint64_t eight = 0;
    if (count - 8 * w >= 8) {
      std::memcpy(&eight, verdicts + 8 * w, sizeof eight);
      if constexpr (std::endian::native == std::endian::big) {
        eight = __builtin_bswap64(eight);
      }
    } else {
      for (int b = 0; b < count - 8 * w; ++b) {
        eight |= std::uint64_t{verdicts[8 * w + b]} << (8 * b);
      }
    }
    bits |= (eight * 0x0102040810204080) >> 56 << (8 * w);
  }
  return bits;
}

// The lazy series: first the deciding draws, the first byte of every row
// (elements 1 to 8), every byte_count-th draw, tested for all tuples of
// the series at once; an element among them whose column is empty or lies
// in another's already fails the tuple.  Where most tuples pass their
// first bytes, the first two bytes of every row are drawn and tested
// instead.  Only the tuples that pass get more draws (finish_tuple).  The
// streams then jump past the series.
void evaluate_lazily(Workspace& workspace, const TupleShape& shape,
                     const Kernels& path, StreamOffsets& streams, int n,
                     std::uint8_t* verdicts) {
  const int leading = workspace.plan.leading;
  const std::size_t per_tuple = static_cast<std::size_t>(shape.k) * leading;
  std::uint8_t* const known =
      leading == 1 ? reinterpret_cast<std::uint8_t*>(workspace.draws)
                   : workspace.pairs;
  prepare_stride_tables(shape.width, 1, workspace.stride);
  if (leading == 2) prepare_stride_tables(shape.width, 2, workspace.first_two);
  const StrideTables& first_draws =
      leading == 1 ? workspace.stride : workspace.first_two;
  if (path.finish_packed != nullptr && shape.width <= 8) {
    prepare_column_tables(shape.k, shape.width, workspace.columns);
  }
  prepare_tuple_jumps(shape.draws(), workspace.jumps);
  path.draw_strided_bytes(streams, first_draws, known, per_tuple * n);
  const int done = path.packed_verdicts(known, n, shape.k, leading, verdicts);
  for (int i = done; i < n; ++i) {
    verdicts[i] = path.packed_generates(known + per_tuple * i, shape.k, leading,
                                        workspace.tuple);
  }
  // The tuples still passing, 64 at a time as bits: one branch a tuple
  // that passes rather than one a tuple.
  for (int first = 0; first < n; first += 64) {
    const int count = n - first < 64 ? n - first : 64;
    for (std::uint64_t passing = passing_tuples(verdicts + first, count);
         passing != 0; passing &= passing - 1) {
      const int i = first + std::countr_zero(passing);
      verdicts[i] = finish_tuple(workspace, shape, path, streams, i,
                                 known + per_tuple * i, leading);
    }
  }
  jump_tuples(workspace.jumps, streams, n);
}

// How many bytes of each row a tuple of k rows of `width` bytes needs on
// average when drawn a byte a row at a time, as long as its elements so
// far pass: m elements of random columns pass with a chance of about
// exp(-m(m-1)(3/4)^k), each ordered pair lying inside the other with
// chance (3/4)^k.
double expected_bytes(int k, int width) {
  const double inside = std::pow(0.75, k);
  double bytes = 0;
  for (int drawn = 0; drawn < width; ++drawn) {
    const double m = 8.0 * drawn;
    bytes += std::exp(-m * (m - 1) * inside);
  }
  return bytes;
}

// Whether a lazy series starts with the first two bytes of every row:
// where most tuples pass their first bytes (eight elements pass with a
// chance of about exp(-56 (3/4)^k)), rows are wider than two bytes, and
// the path tests rows of two bytes in bulk.
bool second_bytes_in_bulk(const TupleShape& shape, const Kernels& path) {
  if (shape.width <= 2 || std::exp(-56 * std::pow(0.75, shape.k)) < 0.25) {
    return false;
  }
  alignas(64) std::uint8_t probe[2 * kLazyMaxComponents + 64] = {};
  std::uint8_t verdict[4];
  return path.packed_verdicts(probe, 1, shape.k, 2, verdict) == 1;
}

}  // namespace

void prepare_tuple_jumps(std::size_t per_tuple, TupleJumps& jumps) {
  if (jumps.per_tuple == per_tuple) return;
  const StreamOffsets step = factors_ahead(per_tuple);
  StreamOffsets power{{1, 1, 1}};
  for (int t = 0; t <= kMaxSeries; ++t) {
    for (int i = 0; i < kStreams; ++i) {
      jumps.power[i][t] = static_cast<std::uint32_t>(power.offset[i]);
    }
    multiply_streams(power, step);
  }
  jumps.per_tuple = per_tuple;
}

void jump_tuples(const TupleJumps& jumps, StreamOffsets& streams, int tuples) {
  StreamOffsets factors{};
  for (int i = 0; i < kStreams; ++i) {
    factors.offset[i] = jumps.power[i][tuples];
  }
  multiply_streams(streams, factors);
}

int series_tuples(const TupleShape& shape) {
  const std::size_t bits = shape.draws() * (shape.packed ? 8 : 1);
  const std::size_t fits = kSeriesBits / bits;
  if (fits < 1) return 1;
  return fits < kMaxSeries ? static_cast<int>(fits) : kMaxSeries;
}

bool lazy_draws_suit(const TupleShape& shape, const Kernels& path) {
  return shape.packed && shape.width >= path.lazy_min_width &&
         shape.k <= kLazyMaxComponents &&
         expected_bytes(shape.k, shape.width) < kLazyShare * shape.width;
}

void evaluate_tuples(Workspace& workspace, const TupleShape& shape,
                     const Kernels& path, StreamOffsets& streams, int tuples,
                     std::uint8_t* verdicts) {
  if (const int prefix = prefix_rows_for(shape); prefix > 0) {
    evaluate_by_prefix(workspace, shape, path, streams, tuples, prefix,
                       verdicts);
    return;
  }
  LazyPlan& plan = workspace.plan;
  if (!(shape == plan.shape) || plan.min_width != path.lazy_min_width ||
      plan.verdicts != path.packed_verdicts) {
    plan.shape = shape;
    plan.min_width = path.lazy_min_width;
    plan.verdicts = path.packed_verdicts;
    plan.lazy = lazy_draws_suit(shape, path);
    plan.leading = plan.lazy && second_bytes_in_bulk(shape, path) ? 2 : 1;
  }
  if (!plan.lazy) {
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
