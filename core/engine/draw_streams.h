// The three random streams seen from their fixed points
// (runtime/random_streams.h), which makes any state up to a block ahead
// one multiplication away: the tables the draw kernels read, the
// hand-over with the random source, and the exact decision of the rare
// draws that lie too close to a boundary.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/random_streams.h"

namespace core::engine {

using runtime::kStreamFixedPoint;
using runtime::kStreamModulus;
using runtime::kStreamMultiplier;
using runtime::kStreams;
using runtime::StreamStates;

// The kernels draw in blocks: draw j (1..kBlock) of a block is computed
// from the block's base offsets and entry j - 1 of the tables.
inline constexpr int kBlock = 256;

// Aligned so that eight entries are one cache line.
struct alignas(64) DrawTables {
  // a^(j+1) mod m for entry j.
  std::uint32_t power[kStreams][kBlock];
  // power / m as fixed-point fractions of 2^64 and 2^52, and as doubles;
  // each rounded to nearest.
  std::uint64_t fraction64[kStreams][kBlock];
  std::uint64_t fraction52[kStreams][kBlock];
  double fraction_double[kStreams][kBlock];
  // fraction_double in the order the double kernels build bytes in:
  // 16 draws are four vectors of four, and lane L of vector v holds draw
  // 4L + v, so entry 16g + 4v + L is draw 16g + 4L + v.
  double fraction_by_lanes[kStreams][kBlock];
  // The sum of p/m over the streams, modulo 1, in the same three forms.
  std::uint64_t fixed64;
  std::uint64_t fixed52;
  double fixed_double;
};

// build_draw_tables() (below), as data.
extern const DrawTables draw_tables;

// The draw (from 0) at `entry` of tables in lane order, for vectors of
// four lanes that gather `per_lane` draws each: groups of 4 * per_lane
// draws are per_lane vectors, and lane L of vector v holds draw
// per_lane * L + v of the group.
constexpr int draw_in_lanes(int entry, int per_lane) {
  const int group = 4 * per_lane;
  const int v = (entry % group) / 4;
  const int lane = entry % 4;
  return group * (entry / group) + per_lane * lane + v;
}

// The draw whose entry fraction_by_lanes holds at `entry`.
constexpr int draw_by_lanes(int entry) { return draw_in_lanes(entry, 4); }

// Fills t.fraction_by_lanes from t.fraction_double: for the tables the
// compiler works out, and at run time in draw_streams.cc alone, where no
// instruction-set flags apply.
constexpr void order_by_lanes(DrawTables& t) {
  for (int i = 0; i < kStreams; ++i) {
    for (int j = 0; j < kBlock; ++j) {
      t.fraction_by_lanes[i][j] = t.fraction_double[i][draw_by_lanes(j)];
    }
  }
}

// Where the streams stand: the offsets of the state each stream reached
// with the last draw taken.
struct StreamOffsets {
  std::uint64_t offset[kStreams];
};

// Draws at a stride, for a tuple's deciding draws: the first `leading`
// draws (1 or 2) of every `stride` draws.  Entry j of `tables` describes
// the draw 1 + (j / leading) * stride + j % leading after a block's base
// (stride 1 gives draw_tables), and `block_step` moves the base on by a
// block of them, kBlock / leading strides.
struct StrideTables {
  int stride = 0;
  int leading = 0;
  StreamOffsets block_step;
  DrawTables tables;
};

// Fills `out` for `stride` (1 or more) and `leading` (1 or 2, at most
// `stride`), unless it holds them already.
void prepare_stride_tables(int stride, int leading, StrideTables& out);

// The draws of one packed tuple of up to 64 rows of up to 8 bytes, by
// byte columns: fraction52[i][b][r] is the entry of the draw of byte b
// of row r, draw r * width + b + 1 after the tuple's base, and
// power[i][b][r] its a^(r * width + b + 1) (rows from k on repeat row 0).
struct ColumnTables {
  int k = 0;
  int width = 0;
  alignas(64) std::uint64_t fraction52[kStreams][8][64];
  std::uint32_t power[kStreams][8][64];
};

// Fills `out` for k rows (1..64) of `width` bytes (1..8), unless it holds
// that shape already.
void prepare_column_tables(int k, int width, ColumnTables& out);

// The exact random_below(256) of byte b of row r of the tuple whose draws
// follow `start`, by the extended-precision steps.
std::int32_t settle_column_byte(const StreamOffsets& start,
                                const ColumnTables& tables, int b, int r);

// The exact random_below(bound) of the draw that entry j of `tables`
// describes after `base`, by the extended-precision steps.
std::int32_t settle_draw_at(const StreamOffsets& base, const DrawTables& tables,
                            int j, std::int32_t bound);

// The offsets of `states`, and the states of `offsets`.
StreamOffsets offsets_of(const StreamStates& states);
StreamStates states_at(const StreamOffsets& offsets);

// Runs the re-initialisation that the next draw of the plain source would
// run, if one is due, and returns where the streams stand.
StreamOffsets take_streams();

// Leaves the random source as the plain draws that reached `offsets`
// would have left it.
void return_streams(const StreamOffsets& offsets);

// Moves `offsets` `steps` draws ahead, 1 <= steps <= kBlock.
void advance_streams(StreamOffsets& offsets, int steps);

// offsets[i] times factors[i], reduced, for each stream: with factors the
// offsets 1 moved some steps ahead, moves `offsets` those steps ahead.
void multiply_streams(StreamOffsets& offsets, const StreamOffsets& factors);

// The factors (multiply_streams) that move offsets `count` draws ahead,
// any count.
StreamOffsets factors_ahead(std::uint64_t count);

// The exact random_below(bound) of draw `lane` (1..kBlock) after `base`,
// by the extended-precision steps of the plain source.
std::int32_t settle_draw(const StreamOffsets& base, int lane,
                         std::int32_t bound);

// When false, the kernels trust every fast result, even one next to a
// boundary.  Only tests clear it, to show that the margins matter.
extern bool boundary_margins;

namespace tables_detail {

__extension__ typedef unsigned __int128 Wide;

// round(value * 2^bits / modulus) for value < modulus, modulo 2^64.
consteval std::uint64_t scaled_fraction(std::uint64_t value, int bits,
                                        std::uint64_t modulus) {
  return static_cast<std::uint64_t>(((Wide{value} << bits) + modulus / 2) /
                                    modulus);
}

}  // namespace tables_detail

// The tables, worked out by the compiler; consteval, so that no
// instruction-set file can turn it into code of its own.
consteval DrawTables build_draw_tables() {
  using tables_detail::scaled_fraction;
  DrawTables tables{};
  for (int i = 0; i < kStreams; ++i) {
    const std::uint64_t m = kStreamModulus[i];
    std::uint64_t power = 1;
    for (int j = 0; j < kBlock; ++j) {
      power = power * kStreamMultiplier[i] % m;
      tables.power[i][j] = static_cast<std::uint32_t>(power);
      tables.fraction64[i][j] = scaled_fraction(power, 64, m);
      tables.fraction52[i][j] = scaled_fraction(power, 52, m);
      tables.fraction_double[i][j] =
          static_cast<double>(power) / static_cast<double>(m);
    }
    tables.fixed64 += scaled_fraction(kStreamFixedPoint[i], 64, m);
    tables.fixed52 += scaled_fraction(kStreamFixedPoint[i], 52, m);
  }
  tables.fixed52 &= (std::uint64_t{1} << 52) - 1;
  order_by_lanes(tables);
  // Within 2^-53 of the sum; the double kernels' error bound allows for it.
  tables.fixed_double = static_cast<double>(tables.fixed64 >> 11) /
                        static_cast<double>(std::uint64_t{1} << 53);
  return tables;
}

}  // namespace core::engine
