// The stream tables, the hand-over with the plain random state and the
// exact decision of near-boundary draws; see draw_streams.h.  The plain
// source keeps the states and the re-initialisation; this file takes and
// sets them through its interface.
#include "core/engine/draw_streams.h"

#include <cstddef>
#include <cstdint>

#include "runtime/extended_draw.h"
#include "runtime/random_source.h"

namespace core::engine {
namespace {

// x mod m of stream i, with the modulus a constant so that no division
// instruction is needed.
template <int i>
std::uint64_t reduce(std::uint64_t x) {
  return x % kStreamModulus[i];
}

std::uint32_t state_of(std::uint64_t offset, int stream) {
  const std::uint64_t state = offset + kStreamFixedPoint[stream];
  return static_cast<std::uint32_t>(
      state >= kStreamModulus[stream] ? state - kStreamModulus[stream] : state);
}

// round(value * 2^bits / m), as build_draw_tables rounds its entries.
std::uint64_t scaled(std::uint64_t value, int bits, std::uint64_t m) {
  return static_cast<std::uint64_t>(
      ((tables_detail::Wide{value} << bits) + m / 2) / m);
}

}  // namespace

constinit const DrawTables draw_tables = build_draw_tables();

bool boundary_margins = true;

StreamOffsets offsets_of(const StreamStates& states) {
  // The seed may still hold a seed-stream value, up to 1000002; one step
  // depends only on its remainder.
  StreamOffsets offsets{};
  offsets.offset[0] = reduce<0>(reduce<0>(states.state[0]) + kStreamModulus[0] -
                                kStreamFixedPoint[0]);
  offsets.offset[1] = reduce<1>(reduce<1>(states.state[1]) + kStreamModulus[1] -
                                kStreamFixedPoint[1]);
  offsets.offset[2] = reduce<2>(reduce<2>(states.state[2]) + kStreamModulus[2] -
                                kStreamFixedPoint[2]);
  return offsets;
}

StreamStates states_at(const StreamOffsets& offsets) {
  StreamStates states{};
  for (int i = 0; i < kStreams; ++i) {
    states.state[i] = state_of(offsets.offset[i], i);
  }
  return states;
}

StreamOffsets take_streams() { return offsets_of(runtime::take_streams()); }

void return_streams(const StreamOffsets& offsets) {
  runtime::set_streams(states_at(offsets));
}

void advance_streams(StreamOffsets& offsets, int steps) {
  const int j = steps - 1;
  offsets.offset[0] = reduce<0>(offsets.offset[0] * draw_tables.power[0][j]);
  offsets.offset[1] = reduce<1>(offsets.offset[1] * draw_tables.power[1][j]);
  offsets.offset[2] = reduce<2>(offsets.offset[2] * draw_tables.power[2][j]);
}

void multiply_streams(StreamOffsets& offsets, const StreamOffsets& factors) {
  offsets.offset[0] = reduce<0>(offsets.offset[0] * factors.offset[0]);
  offsets.offset[1] = reduce<1>(offsets.offset[1] * factors.offset[1]);
  offsets.offset[2] = reduce<2>(offsets.offset[2] * factors.offset[2]);
}

StreamOffsets factors_ahead(std::uint64_t count) {
  StreamOffsets factors{};
  for (int i = 0; i < kStreams; ++i) {
    factors.offset[i] = runtime::stream_power(i, count);
  }
  return factors;
}

void prepare_stride_tables(int stride, int leading, StrideTables& out) {
  if (out.stride == stride && out.leading == leading) return;
  DrawTables& t = out.tables;
  for (int i = 0; i < kStreams; ++i) {
    const std::uint64_t m = kStreamModulus[i];
    for (int j = 0; j < kBlock; ++j) {
      const std::uint64_t power = runtime::stream_power(
          i, 1 + static_cast<std::uint64_t>(j / leading) * stride +
                 static_cast<std::uint64_t>(j % leading));
      t.power[i][j] = static_cast<std::uint32_t>(power);
      t.fraction64[i][j] = scaled(power, 64, m);
      t.fraction52[i][j] = scaled(power, 52, m);
      t.fraction_double[i][j] =
          static_cast<double>(power) / static_cast<double>(m);
    }
  }
  order_by_lanes(t);
  out.block_step = factors_ahead(static_cast<std::uint64_t>(kBlock / leading) *
                                 static_cast<std::uint64_t>(stride));
  t.fixed64 = draw_tables.fixed64;
  t.fixed52 = draw_tables.fixed52;
  t.fixed_double = draw_tables.fixed_double;
  out.stride = stride;
  out.leading = leading;
}

void prepare_column_tables(int k, int width, ColumnTables& out) {
  if (out.k == k && out.width == width) return;
  for (int i = 0; i < kStreams; ++i) {
    const std::uint64_t m = kStreamModulus[i];
    for (int b = 0; b < 8; ++b) {
      for (int r = 0; r < 64; ++r) {
        const int row = r < k ? r : 0;
        const std::uint64_t power = runtime::stream_power(
            i, static_cast<std::uint64_t>(row) * width + b + 1);
        out.power[i][b][r] = static_cast<std::uint32_t>(power);
        out.fraction52[i][b][r] = scaled(power, 52, m);
      }
    }
  }
  out.k = k;
  out.width = width;
}

std::int32_t settle_column_byte(const StreamOffsets& start,
                                const ColumnTables& tables, int b, int r) {
  StreamOffsets reached = start;
  StreamOffsets factors{};
  for (int i = 0; i < kStreams; ++i) factors.offset[i] = tables.power[i][b][r];
  multiply_streams(reached, factors);
  return runtime::extended_draw_below(states_at(reached), 256);
}

std::int32_t settle_draw_at(const StreamOffsets& base, const DrawTables& tables,
                            int j, std::int32_t bound) {
  StreamOffsets reached = base;
  StreamOffsets factors{};
  for (int i = 0; i < kStreams; ++i) factors.offset[i] = tables.power[i][j];
  multiply_streams(reached, factors);
  return runtime::extended_draw_below(states_at(reached), bound);
}

std::int32_t settle_draw(const StreamOffsets& base, int lane,
                         std::int32_t bound) {
  StreamOffsets reached = base;
  advance_streams(reached, lane);
  return runtime::extended_draw_below(states_at(reached), bound);
}

}  // namespace core::engine
