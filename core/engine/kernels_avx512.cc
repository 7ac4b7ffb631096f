// The AVX-512 path's draws and its table of kernels, compiled with
// -mavx512f -mavx512dq -mavx512bw -mavx512vl -mavx512ifma -mavx512vbmi
// -mgfni (and the AVX2 set).  A draw's fraction is a 52-bit fixed-point sum
// of three 52-bit multiply-adds.  The generation test has a file of its own,
// generation_avx512.cc.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "core/engine/draw_streams.h"
#include "core/engine/generation_avx512.h"
#include "core/engine/kernel_common.h"
#include "core/engine/kernels.h"
#include "core/engine/narrow_columns_avx512.h"
#include "core/engine/transpose_avx512.h"

namespace core::engine {
namespace {

constexpr int kFractionBits = 52;
// 52-bit entries are off by half a unit of 2^-52 each, so a fraction lies
// within 932632 such units of the exact sum; the extended steps add far
// less than one.
constexpr std::uint64_t kMargin = std::uint64_t{1} << 20;

struct Offsets {
  __m512i d0, d1, d2;
};

Offsets broadcast(const StreamOffsets& streams) {
  return {_mm512_set1_epi64(static_cast<long long>(streams.offset[0])),
          _mm512_set1_epi64(static_cast<long long>(streams.offset[1])),
          _mm512_set1_epi64(static_cast<long long>(streams.offset[2]))};
}

// Where draws for a bound of 2^bits turn, and the margin around them.
// The margin rides in the constant of the sum (`raised`): a fraction
// within it of a boundary then lies just above one, where one test of
// the bits below the result (`spread`) finds it, and any other keeps its
// result bits.  Inactive when margins are off.
struct Boundary {
  __m512i raised;
  __m512i spread;
  bool active;
};

Boundary boundary_for(int bits, const DrawTables& t = draw_tables) {
  const std::uint64_t margin = boundary_margins ? kMargin : 0;
  const std::uint64_t spread =
      ((std::uint64_t{1} << (kFractionBits - bits)) - 1) & ~(2 * margin - 1);
  return {_mm512_set1_epi64(static_cast<long long>(t.fixed52 + margin)),
          _mm512_set1_epi64(static_cast<long long>(spread)), margin != 0};
}

// The fractions of draws j + 1 .. j + 8 after the offsets' base, raised
// by the margin, in bits 0..51 (the bits above are carries of no
// meaning): one chain of multiply-adds, so that no vector waits on a copy
// or a sum of its own.
__m512i fractions_at(const Offsets& d, int j, const Boundary& boundary,
                     const DrawTables& t = draw_tables) {
  __m512i a = _mm512_madd52lo_epu64(boundary.raised, d.d0,
                                    _mm512_loadu_si512(&t.fraction52[0][j]));
  a = _mm512_madd52lo_epu64(a, d.d1, _mm512_loadu_si512(&t.fraction52[1][j]));
  return _mm512_madd52lo_epu64(a, d.d2,
                               _mm512_loadu_si512(&t.fraction52[2][j]));
}

__mmask8 near_lanes(__m512i raised, const Boundary& boundary) {
  if (!boundary.active) return 0;
  return _mm512_testn_epi64_mask(raised, boundary.spread);
}

// Calls settle(j) for each draw j of the n from `d` near `boundary`: the
// rare block that has any, eight lanes at a time.
template <class Settle>
void settle_near_draws(const Offsets& d, int n, const Boundary& boundary,
                       const DrawTables& t, Settle settle) {
  for (int j = 0; j < n; j += 8) {
    const unsigned lanes =
        near_lanes(fractions_at(d, j, boundary, t), boundary);
    for (int lane = 0; lane < 8 && j + lane < n; ++lane) {
      if (((lanes >> lane) & 1) != 0) settle(j + lane);
    }
  }
}

// Blocks of random_below(256) draws described by `t`, eight at a time:
// each vector's top fraction bytes narrowed to eight bytes and stored
// (measured faster than gathering them into whole vectors).  `next`
// moves the streams on by a block; `settle(streams, j)` decides draw j
// of a block exactly.
template <class Next, class Settle>
void draw_byte_blocks(StreamOffsets& streams, const DrawTables& t,
                      std::uint8_t* out, std::size_t count, Next next,
                      Settle settle) {
  const Boundary boundary = boundary_for(8, t);
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    const Offsets d = broadcast(streams);
    __mmask8 near = 0;
#pragma GCC unroll 8
    for (int j = 0; j < n; j += 8) {
      const __m512i f = fractions_at(d, j, boundary, t);
      near |= near_lanes(f, boundary);
      _mm_storel_epi64(
          reinterpret_cast<__m128i*>(out + j),
          _mm512_cvtepi64_epi8(_mm512_srli_epi64(f, kFractionBits - 8)));
    }
    if (near != 0) {
      settle_near_draws(d, n, boundary, t, [&](int j) {
        out[j] = static_cast<std::uint8_t>(settle(streams, j));
      });
    }
    next(streams, n);
    out += n;
    count -= static_cast<std::size_t>(n);
  }
}

void draw_bytes(StreamOffsets& streams, std::uint8_t* out, std::size_t count) {
  draw_byte_blocks(
      streams, draw_tables, out, count,
      [](StreamOffsets& s, int n) { advance_streams(s, n); },
      [](const StreamOffsets& s, int j) { return settle_draw(s, j + 1, 256); });
}

void draw_strided_bytes(const StreamOffsets& base, const StrideTables& tables,
                        std::uint8_t* out, std::size_t count) {
  StreamOffsets streams = base;
  draw_byte_blocks(
      streams, tables.tables, out, count,
      [&](StreamOffsets& s, int) { multiply_streams(s, tables.block_step); },
      [&](const StreamOffsets& s, int j) {
        return settle_draw_at(s, tables.tables, j, 256);
      });
}

// The bits (random_below(2)) need only the top bit of a fraction, so a
// first pass forms it in 32 bits, sixteen draws a vector, at twice the
// multiplications a cycle of the 52-bit sum: entries round(2^32 a^(j+1)
// / m) are off by half a unit of 2^-32 each, so a fraction lies within
// half a unit per unit of the block's offsets (and 1.5 more; the
// extended steps add far less than one) of the exact sum.  An offset
// above half its modulus gives the same fractions counted from the
// modulus down, so the offsets are at most a quarter of the moduli, and
// the sums within 466318 units.  A vector with a draw within the margin
// of a boundary goes again through the 52-bit sum, and what lies near
// there too through the extended steps.
constexpr std::uint32_t kMargin32 = std::uint32_t{1} << 19;

struct Fractions32 {
  std::uint32_t fraction[kStreams][kBlock];
  std::uint32_t fixed;
};

// The natural tables' powers, scaled to 32 bits.
consteval Fractions32 build_fractions32() {
  using tables_detail::scaled_fraction;
  const DrawTables natural = build_draw_tables();
  Fractions32 tables{};
  for (int i = 0; i < kStreams; ++i) {
    for (int j = 0; j < kBlock; ++j) {
      tables.fraction[i][j] = static_cast<std::uint32_t>(
          scaled_fraction(natural.power[i][j], 32, kStreamModulus[i]));
    }
    tables.fixed += static_cast<std::uint32_t>(
        scaled_fraction(kStreamFixedPoint[i], 32, kStreamModulus[i]));
  }
  return tables;
}

alignas(64) constinit const Fractions32 fractions32 = build_fractions32();

// The sixteen bits of draws j + 1 .. j + 16 after `d`'s base, one a
// lane, again from the 52-bit sums, each near a boundary there settled.
std::uint32_t bits_again(const StreamOffsets& streams, const Offsets& d,
                         const Boundary& boundary, int j) {
  std::uint32_t bits = 0;
  for (int half = 0; half < 2; ++half) {
    const int at = j + 8 * half;
    const __m512i f = fractions_at(d, at, boundary);
    bits |= static_cast<std::uint32_t>(_mm512_test_epi64_mask(
                f, _mm512_set1_epi64(std::int64_t{1} << (kFractionBits - 1))))
            << (8 * half);
    const unsigned near = near_lanes(f, boundary);
    for (int lane = 0; lane < 8; ++lane) {
      if (((near >> lane) & 1) == 0) continue;
      const std::uint32_t bit = 1u << (8 * half + lane);
      bits = settle_draw(streams, at + lane + 1, 2) == 1 ? bits | bit
                                                         : bits & ~bit;
    }
  }
  return bits;
}

void draw_bits(StreamOffsets& streams, std::uint64_t* out, std::size_t count) {
  const bool margins = boundary_margins;
  const Fractions32& t = fractions32;
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    // The offsets counted the shorter way round, and how far the block's
    // sums may lie from the exact ones: where that is little, half the
    // margin does, and half as many vectors go round again.
    std::int32_t offset[kStreams];
    std::uint64_t size = 0;
    for (int i = 0; i < kStreams; ++i) {
      const auto o = static_cast<std::int64_t>(streams.offset[i]);
      const auto m = static_cast<std::int64_t>(kStreamModulus[i]);
      offset[i] = static_cast<std::int32_t>(2 * o > m ? o - m : o);
      size += static_cast<std::uint64_t>(o < m - o ? o : m - o);
    }
    const std::uint64_t error = size / 2 + 3;
    const std::uint32_t margin = !margins                 ? 0
                                 : error <= kMargin32 / 2 ? kMargin32 / 2
                                                          : kMargin32;
    const __m512i raised =
        _mm512_set1_epi32(static_cast<int>(t.fixed + margin));
    // The bits below the result that a draw clear of the margin has set.
    const __m512i spread = _mm512_set1_epi32(
        static_cast<int>(((std::uint32_t{1} << 31) - 1) & ~(2 * margin - 1)));
    const __m512i d0 = _mm512_set1_epi32(offset[0]);
    const __m512i d1 = _mm512_set1_epi32(offset[1]);
    const __m512i d2 = _mm512_set1_epi32(offset[2]);
    for (int first = 0; first < n; first += 64) {
      std::uint64_t word = 0;
      std::uint64_t near = 0;
#pragma GCC unroll 4
      for (int v = 0; v < 4; ++v) {
        const int j = first + 16 * v;
        __m512i f = _mm512_add_epi32(
            raised,
            _mm512_mullo_epi32(d0, _mm512_load_si512(&t.fraction[0][j])));
        f = _mm512_add_epi32(
            f, _mm512_mullo_epi32(d1, _mm512_load_si512(&t.fraction[1][j])));
        f = _mm512_add_epi32(
            f, _mm512_mullo_epi32(d2, _mm512_load_si512(&t.fraction[2][j])));
        // The top bit is the draw's.
        word |= std::uint64_t{_mm512_movepi32_mask(f)} << (16 * v);
        if (margins) {
          near |= std::uint64_t{_mm512_testn_epi32_mask(f, spread)} << (16 * v);
        }
      }
      // Draws past n in the last block are looked at too: at worst a
      // needless second look at sixteen of them.
      if (near != 0) {
        const Boundary boundary = boundary_for(1);
        const Offsets d = broadcast(streams);
        for (int v = 0; v < 4; ++v) {
          if (((near >> (16 * v)) & 0xFFFF) == 0) continue;
          word = (word & ~(std::uint64_t{0xFFFF} << (16 * v))) |
                 std::uint64_t{bits_again(streams, d, boundary, first + 16 * v)}
                     << (16 * v);
        }
      }
      out[first / 64] = word & low_bits(n - first);
    }
    advance_streams(streams, n);
    out += n / 64;
    count -= static_cast<std::size_t>(n);
  }
}

// Byte b of rows 8o..8o+7 as drawn (`bytes`), the `near` lanes settled
// exactly: the rare vector with a draw next to a boundary.
[[gnu::noinline]] __m128i settle_column(const StreamOffsets& start,
                                        const ColumnTables& tables, int b,
                                        int o, unsigned near, __m128i bytes) {
  alignas(16) std::uint8_t exact[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(exact), bytes);
  for (int lane = 0; lane < 8; ++lane) {
    if (((near >> lane) & 1) == 0) continue;
    exact[lane] = static_cast<std::uint8_t>(
        settle_column_byte(start, tables, b, 8 * o + lane));
  }
  return _mm_load_si128(reinterpret_cast<const __m128i*>(exact));
}

// Byte indexes that take an octet of rows of `drawn` known bytes (1 or 2),
// back to back, to qwords: qword b, byte L takes byte b of row L.
struct KnownOrders {
  unsigned char index[2][64];
};

constexpr KnownOrders build_known_orders() {
  KnownOrders orders{};
  for (int drawn = 1; drawn <= 2; ++drawn) {
    for (int at = 0; at < 64; ++at) {
      orders.index[drawn - 1][at] =
          static_cast<unsigned char>((at % 8) * drawn + at / 8);
    }
  }
  return orders;
}

alignas(64) constexpr KnownOrders kKnownOrders = build_known_orders();

// The rest of a lazily drawn packed tuple (kernels.h) in registers: octet
// o of the rows holds rows 8o..8o+7, qword b their byte b, so that byte
// b of every row comes as one vector of draws per octet, straight into
// qword b, and the rows are turned and tested where they are.
template <int kOctets>
bool finish_packed_in(const StreamOffsets& start, const ColumnTables& tables,
                      const std::uint8_t* known, int drawn) {
  const int k = tables.k;
  const Boundary boundary = boundary_for(8);
  const __m512i one_hot = _mm512_set1_epi64(kOneHotBytes);
  const Offsets d = broadcast(start);
  const __m512i spread = _mm512_load_si512(kKnownOrders.index[drawn - 1]);
  __m512i rows[kOctets];
  __mmask8 real[kOctets];  // the rows of each octet below k
  for (int o = 0; o < kOctets; ++o) {
    const int present = k - 8 * o < 0 ? 0 : k - 8 * o < 8 ? k - 8 * o : 8;
    real[o] = static_cast<__mmask8>(low_bits(present));
    const __m512i bytes = _mm512_maskz_loadu_epi8(low_bits(present * drawn),
                                                  known + 8 * o * drawn);
    rows[o] = _mm512_maskz_permutexvar_epi8(
        low_bits(8 * drawn) & (real[o] * 0x0101010101010101ull), spread, bytes);
  }
  for (int b = drawn; b < tables.width; ++b) {
    __m512i turned[kOctets];
    for (int o = 0; o < kOctets; ++o) {
      if (real[o] != 0) {
        __m512i f = _mm512_madd52lo_epu64(
            boundary.raised, d.d0,
            _mm512_load_si512(&tables.fraction52[0][b][8 * o]));
        f = _mm512_madd52lo_epu64(
            f, d.d1, _mm512_load_si512(&tables.fraction52[1][b][8 * o]));
        f = _mm512_madd52lo_epu64(
            f, d.d2, _mm512_load_si512(&tables.fraction52[2][b][8 * o]));
        __m128i bytes = _mm512_maskz_cvtepi64_epi8(
            real[o], _mm512_srli_epi64(f, kFractionBits - 8));
        const unsigned near = near_lanes(f, boundary) & real[o];
        if (near != 0) bytes = settle_column(start, tables, b, o, near, bytes);
        rows[o] = _mm512_mask_broadcastq_epi64(
            rows[o], static_cast<__mmask8>(1u << b), bytes);
      }
      turned[o] = _mm512_gf2p8affine_epi64_epi8(one_hot, rows[o], 0);
    }
    // The columns before b passed among themselves already.
    unsigned pairings = 1;
    for (int q = 0; q < b; ++q) pairings |= 1u << (b ^ q);
    if (!separated_byte_columns<kOctets>(turned, b + 1, pairings)) {
      return false;
    }
  }
  return true;
}

bool finish_packed(const StreamOffsets& start, const ColumnTables& tables,
                   const std::uint8_t* known, int drawn) {
  const int k = tables.k;
  if (k <= 8) return finish_packed_in<1>(start, tables, known, drawn);
  if (k <= 16) return finish_packed_in<2>(start, tables, known, drawn);
  if (k <= 32) return finish_packed_in<4>(start, tables, known, drawn);
  return finish_packed_in<8>(start, tables, known, drawn);
}

void draw_fractions(StreamOffsets& streams, std::uint64_t* out,
                    std::size_t count) {
  // The fractions as they are: no margin raises them.
  const Boundary exact = {
      _mm512_set1_epi64(static_cast<long long>(draw_tables.fixed52)),
      _mm512_setzero_si512(), false};
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    const Offsets d = broadcast(streams);
    for (int j = 0; j < n; j += 8) {
      _mm512_storeu_si512(out + j, _mm512_slli_epi64(fractions_at(d, j, exact),
                                                     64 - kFractionBits));
    }
    advance_streams(streams, n);
    out += n;
    count -= static_cast<std::size_t>(n);
  }
}

}  // namespace

// Fractions of 52 bits, shifted to 64: kMargin units of 2^-52 each way.
const Kernels kAvx512Kernels = {.draw_bytes = draw_bytes,
                                .draw_bits = draw_bits,
                                .draw_fractions = draw_fractions,
                                .draw_strided_bytes = draw_strided_bytes,
                                .finish_packed = finish_packed,
                                .lazy_min_width = 2,
                                .fraction_error = kMargin << 12,
                                .packed_generates = avx512::packed_generates,
                                .packed_verdicts = avx512::packed_verdicts,
                                .flag_generates = avx512::flag_generates};

}  // namespace core::engine
