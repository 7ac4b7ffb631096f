// Row-prefix draws against full draws, on every path: verdict by verdict
// and the streams' end state, over tuples that the first rows decide and
// tuples that need their other rows (which then fail or generate), with
// rows that end mid-byte, mid-word and on a word boundary.
#include "core/engine/prefix_draws.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "core/engine/dispatch.h"
#include "core/engine/draw_streams.h"
#include "core/engine/instruction_sets.h"
#include "core/engine/tuple_series.h"
#include "tests/core/engine/engine_paths.h"

namespace core::engine {
namespace {

TEST(PrefixDraws, VerdictsAndEndStatesEqualFullDraws) {
  struct Row {
    bool packed;
    int k;
    int width;
    int prefix;  // 0: the one prefix_rows_for chooses
    int tuples;
  };
  // Short prefixes leave most tuples to their other rows; 72 flags a row
  // end mid-word (so the tuple is drawn again whole), 128 on a word, and
  // 9 bytes mid-word.
  const Row rows[] = {{false, 40, 72, 10, 60},  {false, 40, 72, 30, 60},
                      {false, 36, 128, 28, 40}, {false, 30, 128, 1, 20},
                      {true, 40, 9, 12, 60},    {true, 40, 9, 31, 60},
                      {true, 60, 16, 39, 30},   {true, 120, 250, 0, 3},
                      {false, 120, 2000, 0, 2}};
  auto workspace = std::make_unique<Workspace>();
  int prefix_generates = 0;
  int rest_generates = 0;
  int failing = 0;
  std::uint32_t seed = 2024;
  for (Path path : supported_paths()) {
    const Kernels& kernels = *kernels_for(path);
    for (const Row& row : rows) {
      const TupleShape shape{row.packed, row.k, row.width};
      const int prefix = row.prefix != 0 ? row.prefix : prefix_rows_for(shape);
      SCOPED_TRACE(testing::Message()
                   << path_name(path) << (row.packed ? " packed" : " flags")
                   << ", k " << row.k << ", width " << row.width << ", prefix "
                   << prefix);
      ASSERT_GT(prefix, 0);
      ASSERT_LT(prefix, row.k);
      const StreamOffsets start = streams_for(seed++);
      std::vector<std::uint8_t> lazy(row.tuples + 4);
      std::vector<std::uint8_t> full(row.tuples + 4);
      StreamOffsets lazy_end = start;
      evaluate_by_prefix(*workspace, shape, kernels, lazy_end, row.tuples,
                         prefix, lazy.data());
      StreamOffsets full_end = start;
      evaluate_tuples_fully(*workspace, shape, kernels, full_end, row.tuples,
                            full.data());
      EXPECT_EQ(states_at(lazy_end), states_at(full_end));
      // The prefix alone, tuple by tuple, to tell how each was decided.
      const TupleShape first_rows{row.packed, prefix, row.width};
      StreamOffsets tuple_start = start;
      for (int t = 0; t < row.tuples; ++t) {
        ASSERT_EQ(lazy[t], full[t]) << "tuple " << t;
        std::uint8_t by_prefix[4];
        StreamOffsets at = tuple_start;
        evaluate_tuples_fully(*workspace, first_rows, kernels, at, 1,
                              by_prefix);
        if (by_prefix[0] != 0) {
          EXPECT_EQ(full[t], 1) << "tuple " << t;
          ++prefix_generates;
        } else {
          ++(full[t] != 0 ? rest_generates : failing);
        }
        at = tuple_start;
        evaluate_tuples_fully(*workspace, shape, kernels, at, 1, by_prefix);
        tuple_start = at;
      }
    }
  }
  // Every way to a verdict occurs often enough to mean something.
  const int paths = static_cast<int>(supported_paths().size());
  EXPECT_GT(prefix_generates, 20 * paths);
  EXPECT_GT(rest_generates, 20 * paths);
  EXPECT_GT(failing, 20 * paths);
}

TEST(PrefixDraws, ChosenWhereTheFirstRowsAlmostSurelyDecide) {
  struct Row {
    TupleShape shape;
    bool chosen;
  };
  // Rows of at most 64 elements are left to the other ways; 2000 elements
  // need 64 rows to leave a pair without a witness one time in twenty, and
  // 72 elements 41, which must be at most three quarters of the rows.
  const Row rows[] = {{{true, 8, 2}, false},      {{false, 20, 20}, false},
                      {{false, 120, 64}, false},  {{true, 120, 250}, true},
                      {{false, 120, 2000}, true}, {{false, 64, 2000}, false},
                      {{false, 85, 2000}, false}, {{false, 86, 2000}, true},
                      {{true, 55, 9}, true},      {{true, 54, 9}, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message()
                 << (row.shape.packed ? "packed" : "flags") << " k "
                 << row.shape.k << " width " << row.shape.width);
    const int prefix = prefix_rows_for(row.shape);
    EXPECT_EQ(prefix > 0, row.chosen);
    if (row.shape.width == 2000 && row.chosen) {
      EXPECT_EQ(prefix, 64);
    }
    if (row.shape.width == 9 && row.chosen) {
      EXPECT_EQ(prefix, 41);
    }
  }
}

}  // namespace
}  // namespace core::engine
