// Known answers of the random source: stream states after the first draw,
// the first draws for fixed seeds, the unusual bounds, and what seeding
// between draws does to the sequence.  Seeds arrive through the simulated
// tick counter, as they do in the programs.
#include "runtime/random_source.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

#include "tests/fakes/fake_platform.h"

namespace runtime {
namespace {

using Twelve = std::array<std::int32_t, 12>;

constexpr Twelve kSeed0Bound256 = {182, 130, 16,  200, 97,  32,
                                   245, 194, 211, 151, 194, 122};
constexpr Twelve kSeed0Bound2 = {1, 1, 0, 1, 0, 0, 1, 1, 1, 1, 1, 0};
constexpr Twelve kSeed1234567Bound256 = {136, 24,  44,  146, 15,  72,
                                         122, 205, 101, 166, 120, 95};
constexpr Twelve kSeed1234567Bound2 = {1, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, 0};
constexpr Twelve kSeedMaxBound256 = {233, 91, 150, 131, 106, 180,
                                     104, 14, 20,  198, 160, 114};

// The state of a program that has just started, seeded with `ticks`.
void start_with_seed(std::uint32_t ticks) {
  fake::reset();
  random_state = RandomState{};
  fake::state.tick_count = ticks;
  seed_from_ticks();
}

void seed_with(std::uint32_t ticks) {
  fake::state.tick_count = ticks;
  seed_from_ticks();
}

Twelve draw_twelve(std::int32_t bound) {
  Twelve drawn{};
  for (std::int32_t& value : drawn) value = random_below(bound);
  return drawn;
}

TEST(RandomSource, FirstDrawOfProgramReinitialisesEvenAtSeedZero) {
  random_state = RandomState{};
  const long double r = random_real();

  EXPECT_EQ(random_state.seed, 51315u);
  EXPECT_EQ(random_state.stream2, 178103u);
  EXPECT_EQ(random_state.stream3, 240118u);
  EXPECT_EQ(random_state.last_seed, 51315u);
  EXPECT_FALSE(random_state.reinit_pending);
  char text[32];
  std::snprintf(text, sizeof text, "%.16Lf", r);
  EXPECT_EQ(std::string(text), "0.7132419314185483");
}

TEST(RandomSource, SeedAboveSeedModulusNestsReinitialisation) {
  struct Row {
    std::uint32_t seed;
    std::uint32_t seed_after, stream2_after, stream3_after;
  };
  const Row rows[] = {
      {1234567, 148560, 290547, 575055},
      {4294967295, 243096, 208999, 58431},  // largest tick count
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.seed);
    start_with_seed(row.seed);
    random_real();
    EXPECT_EQ(random_state.seed, row.seed_after);
    EXPECT_EQ(random_state.stream2, row.stream2_after);
    EXPECT_EQ(random_state.stream3, row.stream3_after);
    EXPECT_EQ(random_state.last_seed, row.seed_after);
    EXPECT_FALSE(random_state.reinit_pending);
  }
}

TEST(RandomSource, FirstTwelveDrawsFromFixedSeeds) {
  struct Row {
    std::uint32_t seed;
    std::int32_t bound;
    Twelve expected;
  };
  const Row rows[] = {
      {0, 256, kSeed0Bound256},
      {0, 2, kSeed0Bound2},
      {1234567, 256, kSeed1234567Bound256},
      {1234567, 2, kSeed1234567Bound2},
      {4294967295, 256, kSeedMaxBound256},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message()
                 << "seed " << row.seed << ", bound " << row.bound);
    start_with_seed(row.seed);
    EXPECT_EQ(draw_twelve(row.bound), row.expected);
  }
}

TEST(RandomSource, EveryDrawLeavesStateInStepAndRealInUnitInterval) {
  for (std::uint32_t seed :
       {0u, 999999u, 1000002u, 1000003u, 1234567u, 4294967295u}) {
    SCOPED_TRACE(seed);
    start_with_seed(seed);
    for (int i = 0; i < 10000; ++i) {
      const long double r = random_real();
      ASSERT_GE(r, 0.0L);
      ASSERT_LT(r, 1.0L);
      ASSERT_EQ(random_state.last_seed, random_state.seed);
      ASSERT_LT(random_state.seed, 500009u);
      ASSERT_LT(random_state.stream2, 600011u);
      ASSERT_LT(random_state.stream3, 765241u);
    }
  }
}

TEST(RandomSource, ResultStaysBelowLargestBound) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  start_with_seed(1234567);
  for (int i = 0; i < 100000; ++i) {
    const std::int32_t value = random_below(kMax);
    ASSERT_GE(value, 0);
    ASSERT_LE(value, kMax - 1);
  }
}

TEST(RandomSource, BoundsOneAndZeroGiveZeroButStillAdvanceStreams) {
  for (std::int32_t bound : {1, 0}) {
    SCOPED_TRACE(bound);
    start_with_seed(0);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(random_below(bound), 0);
    // Six draws consumed: bound 256 now continues at the seventh value.
    for (std::size_t i = 6; i < 12; ++i) {
      EXPECT_EQ(random_below(256), kSeed0Bound256[i]);
    }
  }
}

TEST(RandomSource, NegativeBoundTruncatesTowardZero) {
  // r * -256 is exactly -(r * 256): rounding to nearest is symmetric, so
  // each result is the bound-256 result with its sign changed.
  start_with_seed(0);
  const Twelve drawn = draw_twelve(-256);
  for (std::size_t i = 0; i < drawn.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(drawn[i], -kSeed0Bound256[i]);
  }

  start_with_seed(1234567);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(random_below(-1), 0);

  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  start_with_seed(4294967295);
  for (int i = 0; i < 100000; ++i) {
    const std::int32_t value = random_below(kMin);
    ASSERT_GE(value, kMin + 1);
    ASSERT_LE(value, 0);
  }
}

TEST(RandomSource, ReseedingBetweenDrawsRestartsFromNewSeed) {
  struct Row {
    std::uint32_t first_seed;
    std::uint32_t new_seed;
    const Twelve& expected;
  };
  const Row rows[] = {
      {0, 1234567, kSeed1234567Bound256},
      {1234567, 0, kSeed0Bound256},
      {0, 4294967295, kSeedMaxBound256},
      {4294967295, 1234567, kSeed1234567Bound256},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message()
                 << "from " << row.first_seed << " to " << row.new_seed);
    start_with_seed(row.first_seed);
    for (int i = 0; i < 5; ++i) random_below(256);
    seed_with(row.new_seed);
    EXPECT_EQ(draw_twelve(256), row.expected);
  }
}

TEST(RandomSource, SeedingChangesOnlyTheSeedAndTheLastValueCounts) {
  start_with_seed(0);
  for (int i = 0; i < 3; ++i) random_below(256);
  const RandomState before = random_state;

  seed_with(1234567);
  seed_with(1234567);
  EXPECT_EQ(random_state.seed, 1234567u);
  EXPECT_EQ(random_state.last_seed, before.last_seed);
  EXPECT_EQ(random_state.reinit_pending, before.reinit_pending);
  EXPECT_EQ(random_state.stream2, before.stream2);
  EXPECT_EQ(random_state.stream3, before.stream3);
  EXPECT_EQ(draw_twelve(256), kSeed1234567Bound256);

  // A seed that is replaced before any draw leaves no trace.
  start_with_seed(0);
  for (int i = 0; i < 3; ++i) random_below(256);
  seed_with(777);
  seed_with(1234567);
  EXPECT_EQ(draw_twelve(256), kSeed1234567Bound256);
}

TEST(RandomSource, SeedingWithLastSeedContinuesSequence) {
  struct Row {
    std::uint32_t seed;
    std::int32_t bound;
    const Twelve& expected;
  };
  const Row rows[] = {
      {0, 256, kSeed0Bound256},
      {0, 2, kSeed0Bound2},
      {1234567, 256, kSeed1234567Bound256},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message()
                 << "seed " << row.seed << ", bound " << row.bound);
    start_with_seed(row.seed);
    for (std::size_t i = 0; i < 5; ++i) {
      EXPECT_EQ(random_below(row.bound), row.expected[i]);
    }
    seed_with(random_state.last_seed);
    for (std::size_t i = 5; i < 12; ++i) {
      EXPECT_EQ(random_below(row.bound), row.expected[i]);
    }
  }
}

}  // namespace
}  // namespace runtime
