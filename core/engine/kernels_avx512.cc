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

// The fractions of draws j + 1 .. j + 8 after the offsets' base, in bits
// 0..51 (the bits above are carries of no meaning).
__m512i fractions_at(const Offsets& d, int j,
                     const DrawTables& t = draw_tables) {
  __m512i a = _mm512_madd52lo_epu64(
      _mm512_set1_epi64(static_cast<long long>(t.fixed52)), d.d0,
      _mm512_loadu_si512(&t.fraction52[0][j]));
  const __m512i b = _mm512_madd52lo_epu64(
      _mm512_setzero_si512(), d.d1, _mm512_loadu_si512(&t.fraction52[1][j]));
  a = _mm512_madd52lo_epu64(a, d.d2, _mm512_loadu_si512(&t.fraction52[2][j]));
  return _mm512_add_epi64(a, b);
}

// Where draws for a bound of 2^bits turn: fraction bits below the result
// bits, less those the margin covers.  Zero when margins are off.
struct Boundary {
  __m512i margin;
  __m512i spread;
  bool active;
};

Boundary boundary_for(int bits) {
  const std::uint64_t margin = boundary_margins ? kMargin : 0;
  const std::uint64_t spread =
      ((std::uint64_t{1} << (kFractionBits - bits)) - 1) & ~(2 * margin - 1);
  return {_mm512_set1_epi64(static_cast<long long>(margin)),
          _mm512_set1_epi64(static_cast<long long>(spread)), margin != 0};
}

__mmask8 near_lanes(__m512i fraction, const Boundary& boundary) {
  if (!boundary.active) return 0;
  return _mm512_testn_epi64_mask(_mm512_add_epi64(fraction, boundary.margin),
                                 boundary.spread);
}

// The 52-bit table entries of a byte group: 64 draws form eight vectors,
// and lane L of vector v holds draw 8L + v, so that qword L gathers the
// bytes of draws 8L..8L+7 in order.
struct InterleavedTables {
  std::uint64_t fraction[kStreams][kBlock];
};

consteval InterleavedTables build_interleaved() {
  const DrawTables natural = build_draw_tables();
  InterleavedTables tables{};
  for (int i = 0; i < kStreams; ++i) {
    for (int p = 0; p < kBlock; ++p) {
      const int group = p / 64;
      const int v = (p % 64) / 8;
      const int lane = p % 8;
      tables.fraction[i][p] = natural.fraction52[i][64 * group + 8 * lane + v];
    }
  }
  return tables;
}

alignas(64) constinit const InterleavedTables interleaved = build_interleaved();

__m512i interleaved_fractions_at(const Offsets& d, int j) {
  const InterleavedTables& t = interleaved;
  __m512i a = _mm512_madd52lo_epu64(
      _mm512_set1_epi64(static_cast<long long>(draw_tables.fixed52)), d.d0,
      _mm512_load_si512(&t.fraction[0][j]));
  const __m512i b = _mm512_madd52lo_epu64(_mm512_setzero_si512(), d.d1,
                                          _mm512_load_si512(&t.fraction[1][j]));
  a = _mm512_madd52lo_epu64(a, d.d2, _mm512_load_si512(&t.fraction[2][j]));
  return _mm512_add_epi64(a, b);
}

// Calls settle(j) for each draw j of the n from `d` near `boundary`: the
// rare block that has any, eight lanes at a time.
template <class Settle>
void settle_near_draws(const Offsets& d, int n, const Boundary& boundary,
                       Settle settle) {
  for (int j = 0; j < n; j += 8) {
    const unsigned lanes = near_lanes(fractions_at(d, j), boundary);
    for (int lane = 0; lane < 8 && j + lane < n; ++lane) {
      if (((lanes >> lane) & 1) != 0) settle(j + lane);
    }
  }
}

void draw_bytes(StreamOffsets& streams, std::uint8_t* out, std::size_t count) {
  const Boundary boundary = boundary_for(8);
  // Every byte of the control picks bits 44..51 of its qword: the
  // fraction's top eight bits.
  const __m512i top_byte = _mm512_set1_epi8(kFractionBits - 8);
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    const Offsets d = broadcast(streams);
    __mmask8 near = 0;
    for (int first = 0; first < n; first += 64) {
      __m512i bytes = _mm512_setzero_si512();
      for (int v = 0; v < 8; ++v) {
        const __m512i f = interleaved_fractions_at(d, first + 8 * v);
        near |= near_lanes(f, boundary);
        // Byte v of every qword.
        const __mmask64 place = 0x0101010101010101ull << v;
        bytes = _mm512_mask_multishift_epi64_epi8(bytes, place, top_byte, f);
      }
      _mm512_storeu_si512(out + first, bytes);
    }
    if (near != 0) {
      settle_near_draws(d, n, boundary,
                        [&](int j) { settle_byte(streams, out, j); });
    }
    advance_streams(streams, n);
    out += n;
    count -= static_cast<std::size_t>(n);
  }
}

void draw_bits(StreamOffsets& streams, std::uint64_t* out, std::size_t count) {
  const Boundary boundary = boundary_for(1);
  const __m512i top = _mm512_set1_epi64(std::int64_t{1} << (kFractionBits - 1));
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    const Offsets d = broadcast(streams);
    __mmask8 near = 0;
    for (int first = 0; first < n; first += 64) {
      std::uint64_t word = 0;
      const int vectors = (n - first + 7) / 8 < 8 ? (n - first + 7) / 8 : 8;
      for (int v = 0; v < vectors; ++v) {
        const __m512i f = fractions_at(d, first + 8 * v);
        near |= near_lanes(f, boundary);
        word |= static_cast<std::uint64_t>(_mm512_test_epi64_mask(f, top))
                << (8 * v);
      }
      out[first / 64] = word & low_bits(n - first);
    }
    if (near != 0) {
      settle_near_draws(d, n, boundary,
                        [&](int j) { settle_bit(streams, out, j); });
    }
    advance_streams(streams, n);
    out += n / 64;
    count -= static_cast<std::size_t>(n);
  }
}

void draw_strided_bytes(const StreamOffsets& base, const StrideTables& tables,
                        std::uint8_t* out, std::size_t count) {
  const Boundary boundary = boundary_for(8);
  const DrawTables& t = tables.tables;
  StreamOffsets streams = base;
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    const Offsets d = broadcast(streams);
    __mmask8 near = 0;
    for (int j = 0; j < n; j += 8) {
      const __m512i f = fractions_at(d, j, t);
      near |= near_lanes(f, boundary);
      // The low byte of each qword: fraction bits 44..51.
      _mm_storel_epi64(
          reinterpret_cast<__m128i*>(out + j),
          _mm512_cvtepi64_epi8(_mm512_srli_epi64(f, kFractionBits - 8)));
    }
    if (near != 0) {
      for (int j = 0; j < n; j += 8) {
        const unsigned lanes = near_lanes(fractions_at(d, j, t), boundary);
        for (int lane = 0; lane < 8 && j + lane < n; ++lane) {
          if (((lanes >> lane) & 1) == 0) continue;
          out[j + lane] = static_cast<std::uint8_t>(
              settle_draw_at(streams, t, j + lane, 256));
        }
      }
    }
    multiply_streams(streams, tables.block_step);
    out += n;
    count -= static_cast<std::size_t>(n);
  }
}

void draw_fractions(StreamOffsets& streams, std::uint64_t* out,
                    std::size_t count) {
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    const Offsets d = broadcast(streams);
    for (int j = 0; j < n; j += 8) {
      _mm512_storeu_si512(
          out + j, _mm512_slli_epi64(fractions_at(d, j), 64 - kFractionBits));
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
                                .lazy_min_width = 3,
                                .fraction_error = kMargin << 12,
                                .packed_generates = avx512::packed_generates,
                                .packed_verdicts = avx512::packed_verdicts,
                                .flag_generates = avx512::flag_generates};

}  // namespace core::engine
