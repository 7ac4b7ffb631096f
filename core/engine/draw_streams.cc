// The stream tables, the hand-over with the plain random state and the
// exact decision of near-boundary draws; see draw_streams.h.  The plain
// source keeps the states and the re-initialisation; this file only reads
// and writes them.
#include "core/engine/draw_streams.h"

#include <cstddef>
#include <cstdint>

#include "runtime/extended_draw.h"
#include "runtime/random_source.h"

namespace core::engine {
namespace {

constexpr bool fixed_points_hold() {
  for (int i = 0; i < kStreams; ++i) {
    const std::uint64_t p = kFixedPoint[i];
    if (kMultiplier[i] * (p + 1) % kModulus[i] != p) return false;
  }
  return true;
}
static_assert(fixed_points_hold());

// x mod m of stream i, with the modulus a constant so that no division
// instruction is needed.
template <int i>
std::uint64_t reduce(std::uint64_t x) {
  return x % kModulus[i];
}

std::uint32_t state_of(std::uint64_t offset, int stream) {
  const std::uint64_t state = offset + kFixedPoint[stream];
  return static_cast<std::uint32_t>(
      state >= kModulus[stream] ? state - kModulus[stream] : state);
}

}  // namespace

constinit const DrawTables draw_tables = build_draw_tables();

bool boundary_margins = true;

StreamOffsets take_streams() {
  runtime::settle_seed();
  const runtime::RandomState& s = runtime::random_state;
  // The seed may still hold a seed-stream value, up to 1000002; one step
  // depends only on its remainder.
  StreamOffsets offsets{};
  offsets.offset[0] =
      reduce<0>(reduce<0>(s.seed) + kModulus[0] - kFixedPoint[0]);
  offsets.offset[1] =
      reduce<1>(reduce<1>(s.stream2) + kModulus[1] - kFixedPoint[1]);
  offsets.offset[2] =
      reduce<2>(reduce<2>(s.stream3) + kModulus[2] - kFixedPoint[2]);
  return offsets;
}

void states_of(const StreamOffsets& offsets, std::uint32_t states[kStreams]) {
  for (int i = 0; i < kStreams; ++i) states[i] = state_of(offsets.offset[i], i);
}

void return_streams(const StreamOffsets& offsets) {
  std::uint32_t states[kStreams];
  states_of(offsets, states);
  runtime::RandomState& s = runtime::random_state;
  s.seed = states[0];
  s.last_seed = states[0];
  s.stream2 = states[1];
  s.stream3 = states[2];
}

void advance_streams(StreamOffsets& offsets, int steps) {
  const int j = steps - 1;
  offsets.offset[0] = reduce<0>(offsets.offset[0] * draw_tables.power[0][j]);
  offsets.offset[1] = reduce<1>(offsets.offset[1] * draw_tables.power[1][j]);
  offsets.offset[2] = reduce<2>(offsets.offset[2] * draw_tables.power[2][j]);
}

void advance_streams_far(StreamOffsets& offsets, std::size_t steps) {
  for (; steps > kBlock; steps -= kBlock) advance_streams(offsets, kBlock);
  if (steps > 0) advance_streams(offsets, static_cast<int>(steps));
}

void multiply_streams(StreamOffsets& offsets, const StreamOffsets& factors) {
  offsets.offset[0] = reduce<0>(offsets.offset[0] * factors.offset[0]);
  offsets.offset[1] = reduce<1>(offsets.offset[1] * factors.offset[1]);
  offsets.offset[2] = reduce<2>(offsets.offset[2] * factors.offset[2]);
}

std::int32_t settle_draw(const StreamOffsets& base, int lane,
                         std::int32_t bound) {
  StreamOffsets reached = base;
  advance_streams(reached, lane);
  return runtime::extended_draw_below(state_of(reached.offset[0], 0),
                                      state_of(reached.offset[1], 1),
                                      state_of(reached.offset[2], 2), bound);
}

}  // namespace core::engine
