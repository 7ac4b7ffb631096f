// The lazy draws against full draws, on every path: draws at a stride
// against every stride-th plain draw (next to boundaries too, where only
// the margins keep them exact), and series of tuples tested lazily against
// the same series with every draw drawn, tuple by tuple, with tuples
// decided by their first bytes, by later bytes, and tuples that generate.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "core/engine/dispatch.h"
#include "core/engine/draw_streams.h"
#include "core/engine/finish_by_words.h"
#include "core/engine/instruction_sets.h"
#include "core/engine/tuple_series.h"
#include "runtime/random_source.h"
#include "tests/core/engine/engine_paths.h"
#include "tests/runtime/boundary_states.h"

namespace core::engine {
namespace {

TEST(LazyDraws, StridedDrawsAreEveryStrideThPlainDraw) {
  const int strides[] = {1, 2, 3, 8, 250};
  const std::size_t count = 700;  // across blocks of 256
  StrideTables tables;
  for (Path path : supported_paths()) {
    for (int stride : strides) {
      SCOPED_TRACE(testing::Message()
                   << path_name(path) << ", stride " << stride);
      const StreamOffsets base = streams_for(4711u + stride);
      std::vector<std::uint8_t> plain(count);
      for (std::size_t q = 0; q < count; ++q) {
        for (int s = 0; s < stride; ++s) {
          const auto value =
              static_cast<std::uint8_t>(runtime::random_below(256));
          if (s == 0) plain[q] = value;
        }
      }
      prepare_stride_tables(stride, 1, tables);
      std::vector<std::uint8_t> got(count + 64);
      kernels_for(path)->draw_strided_bytes(base, tables, got.data(), count);
      got.resize(count);
      EXPECT_EQ(got, plain);
    }
  }
}

// The first strided draw is the draw right after the base: crafted next to
// a boundary of 256, it comes out as the plain draw with the margins, and
// some come out wrong without them.
TEST(LazyDraws, MarginsKeepStridedDrawsNextToBoundariesExact) {
  StrideTables tables;
  prepare_stride_tables(3, 1, tables);
  for (Path path : supported_paths()) {
    SCOPED_TRACE(path_name(path));
    int wrong_without_margins = 0;
    for (const boundary_states::Draw& draw :
         boundary_states::draws_near_boundaries(256, 40)) {
      boundary_states::prepare_draw(draw);
      const StreamOffsets base = take_streams();
      const std::int32_t plain = runtime::random_below(256);
      std::uint8_t got[64];
      kernels_for(path)->draw_strided_bytes(base, tables, got, 1);
      EXPECT_EQ(got[0], plain);
      boundary_margins = false;
      kernels_for(path)->draw_strided_bytes(base, tables, got, 1);
      boundary_margins = true;
      if (got[0] != plain) ++wrong_without_margins;
    }
    EXPECT_GT(wrong_without_margins, 0);
  }
}

// The column draws that finish a lazily drawn tuple in words: byte b of
// row r crafted next to a boundary of 256 comes out as the plain draw with
// the margins, and some come out wrong without them.
TEST(LazyDraws, MarginsKeepColumnDrawsNextToBoundariesExact) {
  const int k = 8;
  const int width = 3;
  auto tables = std::make_unique<ColumnTables>();
  prepare_column_tables(k, width, *tables);
  int wrong_without_margins = 0;
  int placed = 0;
  for (const boundary_states::Draw& draw :
       boundary_states::draws_near_boundaries(256, 40)) {
    boundary_states::prepare_draw(draw);
    const StreamOffsets next = take_streams();
    const auto plain = static_cast<std::uint8_t>(runtime::random_below(256));
    // The tuple's start, so that byte b of row r is the crafted draw.
    const int b = 1 + placed % (width - 1);
    const int r = placed % k;
    ++placed;
    const std::uint64_t before = static_cast<std::uint64_t>(r) * width + b;
    StreamOffsets start = next;
    StreamOffsets back{};
    for (int i = 0; i < kStreams; ++i) {
      // a^(m - 1) = 1 for the prime moduli.
      back.offset[i] = runtime::stream_power(i, kStreamModulus[i] - 1 - before);
    }
    multiply_streams(start, back);
    EXPECT_EQ(column_byte(start, *tables, b, r), plain);
    boundary_margins = false;
    if (column_byte(start, *tables, b, r) != plain) ++wrong_without_margins;
    boundary_margins = true;
  }
  EXPECT_GT(wrong_without_margins, 0);
}

// How many leading bytes of every row of a packed tuple as drawn (k <= 64
// rows) decide it: the fewest whose elements already fail among
// themselves (an empty column, or one inside another's); 0 when the
// tuple generates.
int deciding_bytes(const std::uint8_t* draws, int k, int width) {
  std::vector<std::uint64_t> columns(8 * width);
  for (int r = 0; r < k; ++r) {
    for (int e = 0; e < 8 * width; ++e) {
      if ((draws[r * width + e / 8] >> (e % 8)) & 1) {
        columns[e] |= std::uint64_t{1} << r;
      }
    }
  }
  for (int bytes = 1; bytes <= width; ++bytes) {
    for (int e = 0; e < 8 * bytes; ++e) {
      for (int f = 0; f < 8 * bytes; ++f) {
        if (f != e && (columns[e] & ~columns[f]) == 0) return bytes;
      }
    }
  }
  return 0;
}

TEST(LazyDraws, VerdictsEqualFullDrawsTupleByTuple) {
  struct Row {
    int k;
    int width;
    int tuples;
    std::uint32_t seed = 0;  // 0: the next of the test's seeds
    std::uint64_t skip = 0;  // tuples passed over first
  };
  // Series ending at odd places, of every octet count of rows up to 64
  // (the screen of the first bytes takes rows eight at a time) and rows
  // that decide at the first byte, at a later one or generate.  Tuples of
  // k <= 8 rows over 16 or more elements hardly ever generate, so two runs
  // start next to tuples known to: the 597276th and the 1047229th of the
  // programs' n=16, k=8 runs from seeds 12345 and 777.
  const Row rows[] = {{8, 2, 3000},
                      {1, 2, 300},
                      {2, 3, 300},
                      {4, 8, 2000},
                      {5, 8, 2000},
                      {6, 3, 2000},
                      {8, 8, 1500},
                      {7, 250, 40},
                      {3, 64, 500},
                      {8, 9, 777},
                      {16, 8, 1500},
                      {14, 3, 1000},
                      {16, 4, 999},
                      {12, 4, 1000},
                      {20, 8, 700},
                      {24, 5, 300},
                      {33, 30, 60},
                      {40, 250, 8},
                      {8, 2, 300, 12345, 597275},
                      {8, 2, 1025, 777, 1047228}};
  auto workspace = std::make_unique<Workspace>();
  int decided_early = 0;
  int decided_later = 0;
  int generating = 0;
  for (Path path : supported_paths()) {
    // Each path's kernels, lazy on every shape that lazy draws can serve.
    Kernels kernels = *kernels_for(path);
    kernels.lazy_min_width = 2;
    std::uint32_t seed = 99;
    for (const Row& row : rows) {
      SCOPED_TRACE(testing::Message() << path_name(path) << ", k " << row.k
                                      << ", width " << row.width);
      const TupleShape shape{true, row.k, row.width};
      StreamOffsets start = streams_for(row.seed != 0 ? row.seed : seed++);
      if (row.skip > 0) {
        // To a known generating tuple, 100 tuples before it.
        start = offsets_of(runtime::advance_streams(
            states_at(start), (row.skip - 100) * shape.draws()));
      }
      std::vector<std::uint8_t> lazy(row.tuples + 4);
      std::vector<std::uint8_t> full(row.tuples + 4);
      StreamOffsets lazy_end = start;
      evaluate_tuples(*workspace, shape, kernels, lazy_end, row.tuples,
                      lazy.data());
      StreamOffsets full_end = start;
      evaluate_tuples_fully(*workspace, shape, kernels, full_end, row.tuples,
                            full.data());
      EXPECT_EQ(states_at(lazy_end), states_at(full_end));
      // The draws themselves, to tell how each tuple was decided.
      std::vector<std::uint8_t> draws(shape.draws() + 64);
      StreamOffsets streams = start;
      for (int t = 0; t < row.tuples; ++t) {
        kernels.draw_bytes(streams, draws.data(), shape.draws());
        ASSERT_EQ(lazy[t], full[t]) << "tuple " << t;
        if (!lazy_draws_suit(shape, kernels)) continue;
        const int bytes = deciding_bytes(draws.data(), row.k, row.width);
        EXPECT_EQ(full[t], bytes == 0 ? 1 : 0) << "tuple " << t;
        ++(bytes == 0   ? generating
           : bytes == 1 ? decided_early
                        : decided_later);
      }
    }
  }
  // Every way to a verdict occurs often enough to mean something.
  EXPECT_GT(decided_early, 1000);
  EXPECT_GT(decided_later, 1000);
  EXPECT_GE(generating, 2 * static_cast<int>(supported_paths().size()));
}

}  // namespace
}  // namespace core::engine
