// The three random streams seen from their fixed points, which makes any
// state up to a block ahead one multiplication away: the tables the draw
// kernels read, the hand-over with runtime::random_state, and the exact
// decision of the rare draws that lie too close to a boundary.
#pragma once

#include <cstddef>
#include <cstdint>

namespace core::engine {

inline constexpr int kStreams = 3;
inline constexpr std::uint32_t kModulus[kStreams] = {500009, 600011, 765241};
inline constexpr std::uint32_t kMultiplier[kStreams] = {706, 774, 871};
// The one state p with a(p + 1) = p (mod m).  The offset d = s - p of a
// state then steps as d -> a d (mod m), so j steps are d -> a^j d.
inline constexpr std::uint32_t kFixedPoint[kStreams] = {265252, 242953, 528631};

// The kernels draw in blocks: draw j (1..kBlock) of a block is computed
// from the block's base offsets and entry j - 1 of the tables.
inline constexpr int kBlock = 256;

struct DrawTables {
  // a^(j+1) mod m for entry j.
  std::uint32_t power[kStreams][kBlock];
  // power / m as fixed-point fractions of 2^64 and 2^52, and as doubles;
  // each rounded to nearest.
  std::uint64_t fraction64[kStreams][kBlock];
  std::uint64_t fraction52[kStreams][kBlock];
  double fraction_double[kStreams][kBlock];
  // The sum of p/m over the streams, modulo 1, in the same three forms.
  std::uint64_t fixed64;
  std::uint64_t fixed52;
  double fixed_double;
};

// build_draw_tables() (below), as data.
extern const DrawTables draw_tables;

// Where the streams stand: the offsets of the state each stream reached
// with the last draw taken.
struct StreamOffsets {
  std::uint64_t offset[kStreams];
};

// Runs the re-initialisation that the next draw of the plain source would
// run, if one is due, and returns where the streams stand.
StreamOffsets take_streams();

// Stores `offsets` back into runtime::random_state as the plain source
// would have left it after the same draws.
void return_streams(const StreamOffsets& offsets);

// Moves `offsets` `steps` draws ahead, 1 <= steps <= kBlock.
void advance_streams(StreamOffsets& offsets, int steps);

// Moves `offsets` any number of draws ahead.
void advance_streams_far(StreamOffsets& offsets, std::size_t steps);

// offsets[i] times factors[i], reduced, for each stream: with factors the
// offsets 1 moved some steps ahead, moves `offsets` those steps ahead.
void multiply_streams(StreamOffsets& offsets, const StreamOffsets& factors);

// The states that runtime::random_state holds after the draw at `offsets`
// (seed, stream2, stream3).
void states_of(const StreamOffsets& offsets, std::uint32_t states[kStreams]);

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
    const std::uint64_t m = kModulus[i];
    std::uint64_t power = 1;
    for (int j = 0; j < kBlock; ++j) {
      power = power * kMultiplier[i] % m;
      tables.power[i][j] = static_cast<std::uint32_t>(power);
      tables.fraction64[i][j] = scaled_fraction(power, 64, m);
      tables.fraction52[i][j] = scaled_fraction(power, 52, m);
      tables.fraction_double[i][j] =
          static_cast<double>(power) / static_cast<double>(m);
    }
    tables.fixed64 += scaled_fraction(kFixedPoint[i], 64, m);
    tables.fixed52 += scaled_fraction(kFixedPoint[i], 52, m);
  }
  tables.fixed52 &= (std::uint64_t{1} << 52) - 1;
  // Within 2^-53 of the sum; the double kernels' error bound allows for it.
  tables.fixed_double = static_cast<double>(tables.fixed64 >> 11) /
                        static_cast<double>(std::uint64_t{1} << 53);
  return tables;
}

}  // namespace core::engine
