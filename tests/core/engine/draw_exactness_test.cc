// The engine's bulk draws against the plain source, on every path this
// processor runs: ten million draws per seed for bounds 256 and 2, other
// bounds more briefly, re-seeding in the middle; draws next to a boundary,
// which only the margins keep exact.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "core/engine/dispatch.h"
#include "core/engine/draw_streams.h"
#include "core/engine/fast_draws.h"
#include "core/engine/instruction_sets.h"
#include "runtime/random_source.h"
#include "runtime/random_streams.h"
#include "tests/core/engine/engine_paths.h"
#include "tests/fakes/fake_platform.h"
#include "tests/runtime/boundary_states.h"

namespace core::engine {
namespace {

constexpr std::uint32_t kSeeds[] = {
    0, 1, 12345, 999999, 1000002, 1000003, 1234567, 2147483648u, 4294967295u};

// A program that has just started, seeded with `ticks`.
runtime::RandomState fresh_state(std::uint32_t ticks) {
  fake::reset();
  runtime::random_state = runtime::RandomState{};
  fake::state.tick_count = ticks;
  runtime::seed_from_ticks();
  return runtime::random_state;
}

// Draws of one bound from the engine, in the form the bound's bulk call
// gives, widened to one value per draw.
std::vector<std::int32_t> engine_draws(std::int32_t bound, std::size_t count) {
  std::vector<std::int32_t> values(count);
  if (bound == 256) {
    std::vector<std::uint8_t> bytes(count + 64);
    draw_bytes(bytes.data(), count);
    for (std::size_t i = 0; i < count; ++i) values[i] = bytes[i];
  } else if (bound == 2) {
    std::vector<std::uint64_t> bits(count / 64 + 1);
    draw_bits(bits.data(), count);
    for (std::size_t i = 0; i < count; ++i) {
      values[i] = static_cast<std::int32_t>((bits[i / 64] >> (i % 64)) & 1);
    }
  } else {
    draw_below(bound, values.data(), count);
  }
  return values;
}

std::vector<std::int32_t> plain_draws(std::int32_t bound, std::size_t count) {
  std::vector<std::int32_t> values(count);
  for (std::int32_t& v : values) v = runtime::random_below(bound);
  return values;
}

// `state` after seed_from_ticks with the fake tick count.
runtime::RandomState seeded(const runtime::RandomState& state) {
  runtime::random_state = state;
  runtime::seed_from_ticks();
  return runtime::random_state;
}

bool same_state(const runtime::RandomState& a, const runtime::RandomState& b) {
  return a.seed == b.seed && a.last_seed == b.last_seed &&
         a.reinit_pending == b.reinit_pending && a.stream2 == b.stream2 &&
         a.stream3 == b.stream3;
}

// `total` draws of `bound` from `seed`, the plain source and every path in
// step, chunk by chunk; halfway, in the middle of a chunk, the programs'
// re-seeding with `reseed`.  Expects every draw and every state equal.
void expect_same_sequence(std::uint32_t seed, std::uint32_t reseed,
                          std::int32_t bound, std::size_t total) {
  const std::vector<Path> paths = supported_paths();
  const Path before = selected_path();
  runtime::RandomState plain = fresh_state(seed);
  std::vector<runtime::RandomState> states(paths.size(), plain);
  const std::size_t chunk = 1 << 16;
  for (std::size_t done = 0; done < total;) {
    std::size_t count = total - done < chunk ? total - done : chunk;
    const bool reseed_here = done < total / 2 && done + count >= total / 2;
    if (reseed_here) count = count / 2 + 1;  // part of a chunk, then seed

    runtime::random_state = plain;
    const std::vector<std::int32_t> expected = plain_draws(bound, count);
    plain = runtime::random_state;
    for (std::size_t p = 0; p < paths.size(); ++p) {
      SCOPED_TRACE(path_name(paths[p]));
      select_path(paths[p]);
      runtime::random_state = states[p];
      const std::vector<std::int32_t> got = engine_draws(bound, count);
      states[p] = runtime::random_state;
      for (std::size_t i = 0; i < count; ++i) {
        ASSERT_EQ(got[i], expected[i]) << "draw " << done + i;
      }
      ASSERT_TRUE(same_state(states[p], plain))
          << "after draw " << done + count;
    }
    done += count;
    if (reseed_here) {
      fake::state.tick_count = reseed;
      plain = seeded(plain);
      for (runtime::RandomState& s : states) s = seeded(s);
    }
  }
  select_path(before);
}

TEST(FastDraws, BytesIdenticalToPlainSourceForTenMillionDraws) {
  for (std::uint32_t seed : kSeeds) {
    SCOPED_TRACE(seed);
    expect_same_sequence(seed, seed ^ 0x5A5A5A5A, 256, 10000000);
  }
}

TEST(FastDraws, BitsIdenticalToPlainSourceForTenMillionDraws) {
  for (std::uint32_t seed : kSeeds) {
    SCOPED_TRACE(seed);
    expect_same_sequence(seed, seed + 1000003, 2, 10000000);
  }
}

TEST(FastDraws, OtherBoundsIdenticalToPlainSource) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  const std::int32_t bounds[] = {3,    10,   255,  257, 1000, 65536,
                                 kMax, kMin, -256, 1,   0};
  for (std::int32_t bound : bounds) {
    for (std::uint32_t seed : kSeeds) {
      SCOPED_TRACE(testing::Message() << "bound " << bound << " seed " << seed);
      expect_same_sequence(seed, 4294967295u - seed, bound, 100000);
    }
  }
}

TEST(FastDraws, NoDrawChangesNothing) {
  const runtime::RandomState fresh = fresh_state(1234567);
  std::uint8_t bytes[64];
  std::uint64_t bits[1];
  std::int32_t values[1];
  draw_bytes(bytes, 0);
  draw_bits(bits, 0);
  draw_below(7, values, 0);
  EXPECT_TRUE(same_state(runtime::random_state, fresh));
}

// Draws next to a boundary of each bound, one per crafted state: with
// the margins every path gives the plain answer; without them, some go
// wrong, so the margins are what keeps these draws exact.
TEST(FastDraws, MarginsDecideTheDrawsNextToBoundaries) {
  const std::int32_t bounds[] = {256, 2, 3, 1000};
  const Path before = selected_path();
  for (Path path : supported_paths()) {
    SCOPED_TRACE(path_name(path));
    select_path(path);
    int wrong_without_margins = 0;
    for (std::int32_t bound : bounds) {
      SCOPED_TRACE(bound);
      for (const boundary_states::Draw& draw :
           boundary_states::draws_near_boundaries(bound, 40)) {
        boundary_states::prepare_draw(draw);
        const std::int32_t plain = runtime::random_below(bound);
        boundary_states::prepare_draw(draw);
        EXPECT_EQ(engine_draws(bound, 1)[0], plain);
        boundary_margins = false;
        boundary_states::prepare_draw(draw);
        if (engine_draws(bound, 1)[0] != plain) ++wrong_without_margins;
        boundary_margins = true;
      }
    }
    EXPECT_GT(wrong_without_margins, 0);
  }
  select_path(before);
}

// Sets the random source so that draw `position` (from 1) after it steps
// to `draw`: the streams repeat after (m_i - 1) steps each, so the state
// position steps before is their product minus position steps ahead.
void place_draw(const boundary_states::Draw& draw, std::uint64_t position) {
  std::uint64_t period = 1;
  for (std::uint32_t m : runtime::kStreamModulus) period *= m - 1;
  runtime::set_streams(draw);
  runtime::set_streams(
      runtime::advance_streams(runtime::take_streams(), period - position));
}

// A draw next to a boundary at many places in the blocks of the bulk
// draws (first, last of a word, of a block, past it): every draw around it
// stays the plain one with the margins, and some near ones go wrong
// without, on every path.
TEST(FastDraws, MarginsHoldAtEveryPlaceInABlock) {
  const std::uint64_t positions[] = {1, 2, 8, 63, 64, 65, 128, 256, 257, 400};
  const Path before = selected_path();
  for (Path path : supported_paths()) {
    SCOPED_TRACE(path_name(path));
    select_path(path);
    for (std::int32_t bound : {2, 256}) {
      SCOPED_TRACE(bound);
      int wrong_without_margins = 0;
      for (const boundary_states::Draw& draw :
           boundary_states::draws_near_boundaries(bound, 6)) {
        for (std::uint64_t position : positions) {
          SCOPED_TRACE(position);
          const std::size_t count = position + 70;
          place_draw(draw, position);
          const std::vector<std::int32_t> plain = plain_draws(bound, count);
          place_draw(draw, position);
          EXPECT_EQ(engine_draws(bound, count), plain);
          boundary_margins = false;
          place_draw(draw, position);
          if (engine_draws(bound, count) != plain) ++wrong_without_margins;
          boundary_margins = true;
        }
      }
      EXPECT_GT(wrong_without_margins, 0);
    }
  }
  select_path(before);
}

// The same for the strided draws of the lazy tuples: the draw next to a
// boundary as entry q of stride 3, one or two leading draws a stride, q
// across a block of 256 entries.
TEST(FastDraws, MarginsHoldAtEveryPlaceOfStridedDraws) {
  constexpr int kStride = 3;
  StrideTables tables;
  for (int leading : {1, 2}) {
    prepare_stride_tables(kStride, leading, tables);
    // The draw after the base that entry j describes, from 1.
    auto place = [leading](std::size_t j) {
      return 1 + j / leading * kStride + j % leading;
    };
    for (Path path : supported_paths()) {
      SCOPED_TRACE(testing::Message()
                   << path_name(path) << ", leading " << leading);
      int wrong_without_margins = 0;
      for (const boundary_states::Draw& draw :
           boundary_states::draws_near_boundaries(256, 6)) {
        for (std::size_t q : {0, 1, 7, 63, 255, 256, 300}) {
          SCOPED_TRACE(q);
          const std::size_t count = q + 40;
          place_draw(draw, place(q));
          const StreamOffsets base = take_streams();
          const std::vector<std::int32_t> all =
              plain_draws(256, place(count - 1));
          std::vector<std::uint8_t> plain(count);
          for (std::size_t j = 0; j < count; ++j) {
            plain[j] = static_cast<std::uint8_t>(all[place(j) - 1]);
          }
          std::vector<std::uint8_t> got(count + 64);
          kernels_for(path)->draw_strided_bytes(base, tables, got.data(),
                                                count);
          got.resize(count);
          EXPECT_EQ(got, plain);
          boundary_margins = false;
          got.resize(count + 64);
          kernels_for(path)->draw_strided_bytes(base, tables, got.data(),
                                                count);
          boundary_margins = true;
          got.resize(count);
          if (got != plain) ++wrong_without_margins;
        }
      }
      EXPECT_GT(wrong_without_margins, 0);
    }
  }
}

}  // namespace
}  // namespace core::engine
