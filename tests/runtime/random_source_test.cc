// Known answers of the random source: states after the first draw, the
// first draws from fixed seeds, unusual bounds, and seeding between draws.
// Seeds arrive through the simulated tick counter, as in the programs.
#include "runtime/random_source.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

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

constexpr Twelve negated(Twelve twelve) {
  for (std::int32_t& value : twelve) value = -value;
  return twelve;
}

void seed_with(std::uint32_t ticks) {
  fake::state.tick_count = ticks;
  seed_from_ticks();
}

// The state of a program that has just started and seeded with `ticks`.
void start_with_seed(std::uint32_t ticks) {
  fake::reset();
  random_state = RandomState{};
  seed_with(ticks);
}

TEST(RandomSource, FirstDrawReinitialisesStreamsFromSeed) {
  // Seed 0 still re-initialises; seeds of 1000003 and more nest a second
  // re-initialisation.
  const struct {
    std::uint32_t seed, seed_after, stream2_after, stream3_after;
  } rows[] = {
      {0, 51315, 178103, 240118},
      {1234567, 148560, 290547, 575055},
      {4294967295, 243096, 208999, 58431},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.seed);
    start_with_seed(row.seed);
    const long double r = random_real();
    EXPECT_EQ(random_state.seed, row.seed_after);
    EXPECT_EQ(random_state.stream2, row.stream2_after);
    EXPECT_EQ(random_state.stream3, row.stream3_after);
    EXPECT_EQ(random_state.last_seed, row.seed_after);
    EXPECT_FALSE(random_state.reinit_pending);
    if (row.seed != 0) continue;
    char text[32];
    std::snprintf(text, sizeof text, "%.16Lf", r);
    EXPECT_EQ(std::string(text), "0.7132419314185483");
  }
}

TEST(RandomSource, FirstTwelveDrawsFromFixedSeedsEvenIfReseededAsTheyLeftIt) {
  const struct {
    std::uint32_t seed;
    std::int32_t bound;
    Twelve expected;
  } rows[] = {
      {0, 256, kSeed0Bound256},
      {0, 2, kSeed0Bound2},
      {1234567, 256, kSeed1234567Bound256},
      {1234567, 2, kSeed1234567Bound2},
      {4294967295, 256, kSeedMaxBound256},
      {0, -256, negated(kSeed0Bound256)},  // truncated toward zero
  };
  for (const auto& row : rows) {
    for (bool reseed : {false, true}) {
      SCOPED_TRACE(testing::Message() << row.seed << ", bound " << row.bound
                                      << (reseed ? ", reseeded" : ""));
      start_with_seed(row.seed);
      Twelve drawn{};
      for (std::size_t i = 0; i < drawn.size(); ++i) {
        if (reseed && i == 5) seed_with(random_state.last_seed);
        drawn[i] = random_below(row.bound);
      }
      EXPECT_EQ(drawn, row.expected);
    }
  }
}

TEST(RandomSource, DrawsStayInRangeForExtremeBounds) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  // Around the seed modulus, 1000003, and the largest tick count.
  for (std::uint32_t seed : {0u, 1000002u, 1000003u, 4294967295u}) {
    SCOPED_TRACE(seed);
    start_with_seed(seed);
    for (int i = 0; i < 30000; ++i) {
      const long double r = random_real();
      ASSERT_TRUE(r >= 0.0L && r < 1.0L) << i;
      const std::int32_t high = random_below(kMax), low = random_below(kMin);
      ASSERT_TRUE(high >= 0 && high < kMax) << i;
      ASSERT_TRUE(low <= 0 && low > kMin) << i;
    }
  }
}

TEST(RandomSource, TinyBoundsGiveZeroButStillConsumeADraw) {
  for (std::int32_t bound : {1, 0, -1}) {
    SCOPED_TRACE(bound);
    start_with_seed(0);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(random_below(bound), 0);
    // Bound 256 now continues at the seventh value.
    for (std::size_t i = 6; i < 12; ++i) {
      EXPECT_EQ(random_below(256), kSeed0Bound256[i]);
    }
  }
}

TEST(RandomSource, ReseedingBetweenDrawsRestartsFromTheLastSeed) {
  const struct {
    std::uint32_t first_seed;
    std::vector<std::uint32_t> new_seeds;
    const Twelve& expected;
  } rows[] = {
      {0, {1234567}, kSeed1234567Bound256},
      {1234567, {0}, kSeed0Bound256},
      {0, {4294967295}, kSeedMaxBound256},
      {4294967295, {1234567}, kSeed1234567Bound256},
      {0, {1234567, 1234567}, kSeed1234567Bound256},
      {0, {777, 1234567}, kSeed1234567Bound256},  // 777 leaves no trace
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message()
                 << row.first_seed << " to " << row.new_seeds.back());
    start_with_seed(row.first_seed);
    for (int i = 0; i < 5; ++i) random_below(256);
    for (std::uint32_t seed : row.new_seeds) seed_with(seed);
    Twelve drawn{};
    for (std::int32_t& value : drawn) value = random_below(256);
    EXPECT_EQ(drawn, row.expected);
  }
}

TEST(RandomStreams, JumpsLandWhereSingleStepsDo) {
  // A seed-stream value of the seed (up to 1000002) as a re-initialisation
  // leaves it, states at their moduli's edges, and a middling one.
  const StreamStates starts[] = {{{1000002, 0, 765240}},
                                 {{500008, 600010, 0}},
                                 {{265252, 242953, 528631}},  // fixed points
                                 {{12345, 67890, 424242}}};
  const std::uint64_t counts[] = {0, 1, 2, 255, 256, 257, 65536, 240001};
  for (const StreamStates& start : starts) {
    StreamStates stepped = start;
    std::uint64_t done = 0;
    for (std::uint64_t count : counts) {
      SCOPED_TRACE(testing::Message() << start.state[0] << ", " << count);
      for (; done < count; ++done) stepped = step_streams(stepped);
      EXPECT_EQ(advance_streams(start, count), stepped);
    }
  }
}

TEST(RandomStreams, TakenAndSetStatesCarryTheDrawsOn) {
  const struct {
    std::uint32_t seed;
    std::int32_t first;
  } rows[] = {{0, kSeed0Bound256[0]},
              {1234567, kSeed1234567Bound256[0]},
              {4294967295, kSeedMaxBound256[0]}};
  for (const auto& row : rows) {
    const std::uint32_t seed = row.seed;
    SCOPED_TRACE(seed);
    start_with_seed(seed);
    // Taking runs the due re-initialisation: the first draw steps from the
    // states taken, with nothing else to do.
    const StreamStates taken = take_streams();
    EXPECT_EQ(take_streams(), taken);
    EXPECT_EQ(random_below(256), row.first);
    EXPECT_EQ(take_streams(), step_streams(taken));
    // States set as the engine hands them back: the draws go on from there.
    const StreamStates later = advance_streams(taken, 1000);
    set_streams(later);
    const std::int32_t next = random_below(256);
    start_with_seed(seed);
    for (int i = 0; i < 1000; ++i) random_below(256);
    EXPECT_EQ(random_below(256), next);
  }
}

}  // namespace
}  // namespace runtime
