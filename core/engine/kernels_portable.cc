// The portable path, exact on every platform with IEEE 754 doubles.  The
// byte and bit draws are formed in double precision (double_draws.h),
// four at a time in generic vectors; the fractions in 64-bit integers, the
// sum of three table entries times the block's offsets modulo 2^64.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/engine/block_test.h"
#include "core/engine/double_draws.h"
#include "core/engine/draw_streams.h"
#include "core/engine/finish_by_words.h"
#include "core/engine/kernel_common.h"
#include "core/engine/kernels.h"

namespace core::engine {
namespace {

std::uint64_t fraction_at(const StreamOffsets& base, int j) {
  const DrawTables& t = draw_tables;
  return t.fixed64 + base.offset[0] * t.fraction64[0][j] +
         base.offset[1] * t.fraction64[1][j] +
         base.offset[2] * t.fraction64[2][j];
}

// Four draws at a time in GCC's generic vectors: the machine's vector
// instructions where it has them, lane by lane where it has none.  Two
// doubles make a vector, the widest that every 64-bit machine with
// vectors has.
typedef double TwoSums __attribute__((vector_size(16)));
typedef std::uint32_t FourFractions __attribute__((vector_size(16)));
typedef std::int32_t FourFlags __attribute__((vector_size(16)));

// A block's offsets as doubles, and the constant its sums start from,
// raised by the margin: a fraction lies within the margin of a boundary,
// where the top `bits` bits change, when its raised form has the bits
// `spread` (the fraction bits below the result, but the lowest three)
// all clear.  Away from a boundary the raise leaves the result as it is;
// next to one the draw is settled anyway.
struct DoubleOffsets {
  DoubleOffsets(const StreamOffsets& base, int bits, const DrawTables& t)
      : d0(static_cast<double>(base.offset[0]) + TwoSums{}),
        d1(static_cast<double>(base.offset[1]) + TwoSums{}),
        d2(static_cast<double>(base.offset[2]) + TwoSums{}),
        start(kBinaryPoint + t.fixed_double + margin() * kGridUnit + TwoSums{}),
        spread(static_cast<std::uint32_t>(
                   ((std::int64_t{1} << (kFractionBits - bits)) - 1) &
                   ~(2 * margin() - 1)) +
               FourFractions{}) {}

  static std::int64_t margin() { return boundary_margins ? kMarginUnits : 0; }
  // All ones in the lanes next to a boundary; without margins, in all.
  FourFlags near(FourFractions f) const { return (f & spread) == 0; }

  const TwoSums d0, d1, d2, start;
  const FourFractions spread;
};

inline TwoSums two_sums(const DoubleOffsets& d, const double (*t)[kBlock],
                        int j) {
  TwoSums e0, e1, e2;
  std::memcpy(&e0, &t[0][j], sizeof e0);
  std::memcpy(&e1, &t[1][j], sizeof e1);
  std::memcpy(&e2, &t[2][j], sizeof e2);
  return d.start + d.d0 * e0 + d.d1 * e1 + d.d2 * e2;
}

// The raised fractions of the draws at entries j..j+3 of `t`: the low
// halves of their sums.
inline FourFractions fractions_at(const DoubleOffsets& d,
                                  const double (*t)[kBlock], int j) {
  const auto a = std::bit_cast<FourFractions>(two_sums(d, t, j));
  const auto b = std::bit_cast<FourFractions>(two_sums(d, t, j + 2));
  if constexpr (std::endian::native == std::endian::little) {
    return __builtin_shufflevector(a, b, 0, 2, 4, 6);
  } else {
    return __builtin_shufflevector(a, b, 1, 3, 5, 7);
  }
}

inline bool any(FourFlags flags) {
  return (flags[0] | flags[1] | flags[2] | flags[3]) != 0;
}

// The bytes of the draws at positions first..first+15 of tables in lane
// order (DrawTables::fraction_by_lanes), in draw order, with their near
// lanes added to `near`: lane L of vector v is draw 4L + v, so lane L
// gathers the four bytes of draws 4L..4L+3 with shifts common to all
// lanes.
inline FourFractions sixteen_bytes(const DoubleOffsets& d,
                                   const double (*t)[kBlock], int first,
                                   FourFlags& near) {
  constexpr bool kLittle = std::endian::native == std::endian::little;
  FourFractions bytes{};
#pragma GCC unroll 4
  for (int v = 0; v < 4; ++v) {
    const FourFractions f = fractions_at(d, t, first + 4 * v);
    near |= d.near(f);
    const int place = 8 * (kLittle ? v : 3 - v);
    const FourFractions byte = (f >> (kFractionBits - 8)) & 0xFF;
    bytes |= byte << place;
  }
  return bytes;
}

// The n bytes of a block from `t` (DrawTables) into out (and up to 15
// more), each near draw j settled by settle(j).
template <class Settle>
void byte_block(const DoubleOffsets& d, const DrawTables& t, std::uint8_t* out,
                int n, Settle settle) {
  FourFlags near{};
  for (int first = 0; first < n; first += 16) {
    const FourFractions bytes =
        sixteen_bytes(d, t.fraction_by_lanes, first, near);
    std::memcpy(out + first, &bytes, sizeof bytes);
  }
  if (!any(near) || !boundary_margins) return;
  // Rare: each draw again, near or not, so that nothing rests on the
  // first pass having rounded the same way.
  for (int j = 0; j < n; j += 4) {
    const FourFractions f = fractions_at(d, t.fraction_double, j);
    const FourFlags close = d.near(f);
    for (int lane = 0; lane < 4 && j + lane < n; ++lane) {
      out[j + lane] =
          close[lane] != 0
              ? static_cast<std::uint8_t>(settle(j + lane))
              : static_cast<std::uint8_t>(f[lane] >> (kFractionBits - 8));
    }
  }
}

void draw_bytes(StreamOffsets& streams, std::uint8_t* out, std::size_t count) {
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    const DoubleOffsets d(streams, 8, draw_tables);
    byte_block(d, draw_tables, out, n,
               [&](int j) { return settle_draw(streams, j + 1, 256); });
    advance_streams(streams, n);
    out += n;
    count -= static_cast<std::size_t>(n);
  }
}

void draw_strided_bytes(const StreamOffsets& base, const StrideTables& tables,
                        std::uint8_t* out, std::size_t count) {
  const DrawTables& t = tables.tables;
  StreamOffsets streams = base;
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    const DoubleOffsets d(streams, 8, t);
    byte_block(d, t, out, n,
               [&](int j) { return settle_draw_at(streams, t, j, 256); });
    multiply_streams(streams, tables.block_step);
    out += n;
    count -= static_cast<std::size_t>(n);
  }
}

// The bit tables in the order the bit words are built: 64 draws are 16
// vectors of four, and lane L of vector v holds draw 16L + v, so that
// lane L gathers bits 16L..16L+15 of the word with shifts common to all
// lanes.
struct BitTables {
  double fraction[kStreams][kBlock];
};

consteval BitTables build_bit_tables() {
  const DrawTables natural = build_draw_tables();
  BitTables tables{};
  for (int i = 0; i < kStreams; ++i) {
    for (int p = 0; p < kBlock; ++p) {
      tables.fraction[i][p] = natural.fraction_double[i][draw_in_lanes(p, 16)];
    }
  }
  return tables;
}

alignas(64) constinit const BitTables bit_tables = build_bit_tables();

// Bits first..first+63 of a block as a word, bit 0 first, with their near
// lanes added to `near`.
inline std::uint64_t bits_word(const DoubleOffsets& d, int first,
                               FourFlags& near) {
  FourFractions chunks{};
#pragma GCC unroll 16
  for (int v = 0; v < 16; ++v) {
    const FourFractions f = fractions_at(d, bit_tables.fraction, first + 4 * v);
    near |= d.near(f);
    chunks |= (f >> (kFractionBits - 1 - v)) & (1u << v);
  }
  return chunks[0] | std::uint64_t{chunks[1]} << 16 |
         std::uint64_t{chunks[2]} << 32 | std::uint64_t{chunks[3]} << 48;
}

void draw_bits(StreamOffsets& streams, std::uint64_t* out, std::size_t count) {
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    const DoubleOffsets d(streams, 1, draw_tables);
    FourFlags near{};
    for (int first = 0; first < n; first += 64) {
      out[first / 64] = bits_word(d, first, near) & low_bits(n - first);
    }
    if (any(near) && boundary_margins) {
      // Rare: each draw again, in draw order, near or not.
      for (int j = 0; j < n; j += 4) {
        const FourFractions f = fractions_at(d, draw_tables.fraction_double, j);
        const FourFlags close = d.near(f);
        for (int lane = 0; lane < 4 && j + lane < n; ++lane) {
          const int at = j + lane;
          const std::uint64_t bit = std::uint64_t{1} << (at % 64);
          const bool one = close[lane] != 0
                               ? settle_draw(streams, at + 1, 2) == 1
                               : ((f[lane] >> (kFractionBits - 1)) & 1) != 0;
          out[at / 64] = one ? out[at / 64] | bit : out[at / 64] & ~bit;
        }
      }
    }
    advance_streams(streams, n);
    out += n / 64;
    count -= static_cast<std::size_t>(n);
  }
}

void draw_fractions(StreamOffsets& streams, std::uint64_t* out,
                    std::size_t count) {
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    for (int j = 0; j < n; ++j) out[j] = fraction_at(streams, j);
    advance_streams(streams, n);
    out += n;
    count -= static_cast<std::size_t>(n);
  }
}

bool separated(TupleBits& tuple, int k, int n) {
  if (small_enough_for_direct_test(k, n)) {
    return separated_directly(tuple, k, n);
  }
  transpose_rows(tuple, k, n);
  return separated_by_blocks<WordBlock>(tuple, k, n);
}

}  // namespace

const Kernels kPortableKernels = {
    .draw_bytes = draw_bytes,
    .draw_bits = draw_bits,
    .draw_fractions = draw_fractions,
    .draw_strided_bytes = draw_strided_bytes,
    .finish_packed = finish_packed_by_words,
    .lazy_min_width = 2,
    .fraction_error = kFraction64Error,
    .packed_generates = packed_generates_by_rows<separated>,
    .packed_verdicts = byte_row_verdicts,
    .flag_generates = flag_generates_by_rows<separated>};

}  // namespace core::engine
