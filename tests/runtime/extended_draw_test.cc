// The integer-only extended steps against the plain source: known answers,
// random states across the bounds, and states next to a boundary, where
// the extended rounding and not the exact value decides.
#include "runtime/extended_draw.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>

#include "runtime/random_source.h"
#include "tests/runtime/boundary_states.h"

namespace runtime {
namespace {

using boundary_states::Draw;

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

bool long_double_is_extended() {
  return std::numeric_limits<long double>::digits == 64;
}

// The plain source's answer for a draw that steps to `draw`.
std::int32_t plain_below(const Draw& draw, std::int32_t bound) {
  boundary_states::prepare_draw(draw);
  const std::int32_t value = random_below(bound);
  EXPECT_EQ(take_streams(), draw);
  return value;
}

TEST(ExtendedDraw, KnownFirstDrawsOfSeedZero) {
  // The first draw of a program seeded with 0 reaches these states.
  const Draw first{{51315, 178103, 240118}};
  struct Row {
    std::int32_t bound;
    std::int32_t expected;
  };
  const Row rows[] = {{256, 182}, {2, 1}, {1, 0}, {0, 0}, {-256, -182}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.bound);
    EXPECT_EQ(extended_draw_below(first, row.bound), row.expected);
  }
}

TEST(ExtendedDraw, MatchesPlainSourceOnRandomStates) {
  if (!long_double_is_extended()) GTEST_SKIP() << "no 80-bit reference here";
  const std::int32_t bounds[] = {256,  2, 3, 10, 1000, 65536, kMax,
                                 kMin, 0, 1, -7, -256, 255,   257};
  std::mt19937_64 random(20240611);
  for (std::int32_t bound : bounds) {
    SCOPED_TRACE(bound);
    for (int i = 0; i < 20000; ++i) {
      Draw draw{};
      for (int s = 0; s < kStreams; ++s) {
        draw.state[s] =
            static_cast<std::uint32_t>(random() % kStreamModulus[s]);
      }
      ASSERT_EQ(extended_draw_below(draw, bound), plain_below(draw, bound))
          << draw.state[0] << " " << draw.state[1] << " " << draw.state[2];
    }
  }
}

TEST(ExtendedDraw, FollowsTheRoundingNextToBoundaries) {
  if (!long_double_is_extended()) GTEST_SKIP() << "no 80-bit reference here";
  const std::int32_t bounds[] = {256, 2, 3, 1000, kMax, -256};
  int rounded_across = 0;
  for (std::int32_t bound : bounds) {
    SCOPED_TRACE(bound);
    for (const Draw& draw : boundary_states::draws_near_boundaries(bound, 40)) {
      const std::int32_t plain = plain_below(draw, bound);
      ASSERT_EQ(extended_draw_below(draw, bound), plain)
          << draw.state[0] << " " << draw.state[1] << " " << draw.state[2];
      if (plain != boundary_states::exact_below(draw, bound)) ++rounded_across;
    }
  }
  // Some of these draws round across the boundary, so the agreement above
  // is the extended rounding's and not the exact value's.
  EXPECT_GT(rounded_across, 10);
}

}  // namespace
}  // namespace runtime
