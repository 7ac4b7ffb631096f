// The AVX2 path, compiled with -mavx2 -mfma -mbmi -mbmi2 -mpopcnt.  A
// draw's fraction is formed in double precision (double_draws.h): three
// fused multiply-adds onto a constant that fixes the binary point.  The
// transposition is the portable one; the generation test runs on four row
// words at a time.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "core/engine/block_test.h"
#include "core/engine/double_draws.h"
#include "core/engine/draw_streams.h"
#include "core/engine/finish_by_words.h"
#include "core/engine/kernel_common.h"
#include "core/engine/kernels.h"

namespace core::engine {
namespace {

struct Offsets {
  __m256d d0, d1, d2;
};

Offsets broadcast(const StreamOffsets& streams) {
  return {_mm256_set1_pd(static_cast<double>(streams.offset[0])),
          _mm256_set1_pd(static_cast<double>(streams.offset[1])),
          _mm256_set1_pd(static_cast<double>(streams.offset[2]))};
}

// Mantissa bits of four sums, from the tables `t` at entry `j`.
__m256i sums(const Offsets& d, const double (*t)[kBlock], int j) {
  const __m256d start = _mm256_set1_pd(kBinaryPoint + draw_tables.fixed_double);
  __m256d y = _mm256_fmadd_pd(d.d0, _mm256_loadu_pd(&t[0][j]), start);
  y = _mm256_fmadd_pd(d.d1, _mm256_loadu_pd(&t[1][j]), y);
  y = _mm256_fmadd_pd(d.d2, _mm256_loadu_pd(&t[2][j]), y);
  return _mm256_castpd_si256(y);
}

// Lanes whose fraction lies within the margin of a multiple of
// 2^(29 - bits): all ones there.
__m256i near_lanes(__m256i sum, int bits, std::int64_t margin) {
  if (margin == 0) return _mm256_setzero_si256();
  const __m256i spread = _mm256_set1_epi64x(
      ((std::int64_t{1} << (kFractionBits - bits)) - 1) & ~(2 * margin - 1));
  const __m256i shifted = _mm256_add_epi64(sum, _mm256_set1_epi64x(margin));
  return _mm256_cmpeq_epi64(_mm256_and_si256(shifted, spread),
                            _mm256_setzero_si256());
}

std::int64_t margin_units() { return boundary_margins ? kMarginUnits : 0; }

// The same test one lane at a time, for the rare block that needs it.
bool lane_near(std::uint64_t sum, int bits, std::int64_t margin) {
  if (margin == 0) return false;
  const std::uint64_t spread =
      ((std::uint64_t{1} << (kFractionBits - bits)) - 1) &
      ~static_cast<std::uint64_t>(2 * margin - 1);
  return ((sum + static_cast<std::uint64_t>(margin)) & spread) == 0;
}

// Calls settle(j) for each draw j of the n from `d` and the tables `t`
// whose fraction lies within the margin of a multiple of 2^(29 - bits):
// the rare block that has any, one lane at a time.
template <class Settle>
void settle_near_draws(const Offsets& d, const double (*t)[kBlock], int n,
                       int bits, std::int64_t margin, Settle settle) {
  alignas(32) std::uint64_t lanes[4];
  for (int j = 0; j < n; j += 4) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), sums(d, t, j));
    for (int lane = 0; lane < 4 && j + lane < n; ++lane) {
      if (lane_near(lanes[lane], bits, margin)) settle(j + lane);
    }
  }
}

// The bytes of the 16 draws at table entries first..first+15, byte 4L + v
// from entry first + 4v + L, with their near lanes added to `near`.
__m128i sixteen_bytes(const Offsets& d, const double (*t)[kBlock], int first,
                      std::int64_t margin, __m256i& near) {
  const __m256i byte_mask = _mm256_set1_epi64x(0xFF);
  const __m256i gather = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
  __m256i bytes = _mm256_setzero_si256();
  for (int v = 0; v < 4; ++v) {
    const __m256i sum = sums(d, t, first + 4 * v);
    near = _mm256_or_si256(near, near_lanes(sum, 8, margin));
    const __m256i top =
        _mm256_and_si256(_mm256_srli_epi64(sum, kFractionBits - 8), byte_mask);
    bytes = _mm256_or_si256(bytes, _mm256_slli_epi64(top, 8 * v));
  }
  return _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(bytes, gather));
}

// The n bytes of a block from `t` into out (and up to 15 more), each near
// draw j settled by settle(j).
template <class Settle>
void byte_block(const Offsets& d, const DrawTables& t, std::uint8_t* out, int n,
                std::int64_t margin, Settle settle) {
  __m256i near = _mm256_setzero_si256();
  for (int first = 0; first < n; first += 16) {
    _mm_storeu_si128(
        reinterpret_cast<__m128i*>(out + first),
        sixteen_bytes(d, t.fraction_by_lanes, first, margin, near));
  }
  if (_mm256_testz_si256(near, near)) return;
  settle_near_draws(d, t.fraction_double, n, 8, margin, [&](int j) {
    out[j] = static_cast<std::uint8_t>(settle(j));
  });
}

void draw_bytes(StreamOffsets& streams, std::uint8_t* out, std::size_t count) {
  const std::int64_t margin = margin_units();
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    byte_block(broadcast(streams), draw_tables, out, n, margin,
               [&](int j) { return settle_draw(streams, j + 1, 256); });
    advance_streams(streams, n);
    out += n;
    count -= static_cast<std::size_t>(n);
  }
}

void draw_bits(StreamOffsets& streams, std::uint64_t* out, std::size_t count) {
  const std::int64_t margin = margin_units();
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    const Offsets d = broadcast(streams);
    __m256i near = _mm256_setzero_si256();
    for (int first = 0; first < n; first += 64) {
      std::uint64_t word = 0;
      const int vectors = (n - first + 3) / 4 < 16 ? (n - first + 3) / 4 : 16;
      for (int v = 0; v < vectors; ++v) {
        const __m256i sum = sums(d, draw_tables.fraction_double, first + 4 * v);
        near = _mm256_or_si256(near, near_lanes(sum, 1, margin));
        // The fraction's top bit, moved to the sign.
        const __m256i top = _mm256_slli_epi64(sum, 63 - (kFractionBits - 1));
        const auto bits = static_cast<std::uint64_t>(
            _mm256_movemask_pd(_mm256_castsi256_pd(top)));
        word |= bits << (4 * v);
      }
      out[first / 64] = word & low_bits(n - first);
    }
    if (!_mm256_testz_si256(near, near)) {
      settle_near_draws(d, draw_tables.fraction_double, n, 1, margin,
                        [&](int j) { settle_bit(streams, out, j); });
    }
    advance_streams(streams, n);
    out += n / 64;
    count -= static_cast<std::size_t>(n);
  }
}

void draw_strided_bytes(const StreamOffsets& base, const StrideTables& tables,
                        std::uint8_t* out, std::size_t count) {
  const std::int64_t margin = margin_units();
  const DrawTables& t = tables.tables;
  StreamOffsets streams = base;
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    byte_block(broadcast(streams), t, out, n, margin,
               [&](int j) { return settle_draw_at(streams, t, j, 256); });
    multiply_streams(streams, tables.block_step);
    out += n;
    count -= static_cast<std::size_t>(n);
  }
}

void draw_fractions(StreamOffsets& streams, std::uint64_t* out,
                    std::size_t count) {
  const __m256i fraction_mask =
      _mm256_set1_epi64x((std::int64_t{1} << kFractionBits) - 1);
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    const Offsets d = broadcast(streams);
    for (int j = 0; j < n; j += 4) {
      const __m256i sum = sums(d, draw_tables.fraction_double, j);
      const __m256i fraction = _mm256_slli_epi64(
          _mm256_and_si256(sum, fraction_mask), 64 - kFractionBits);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j), fraction);
    }
    advance_streams(streams, n);
    out += n;
    count -= static_cast<std::size_t>(n);
  }
}

struct YmmBlock {
  using Type = __m256i;
  // Ranking by weight cost as much as the blocks it skipped (measured).
  static constexpr bool kRanked = false;
  static constexpr int kWords = 4;
  static Type zero() { return _mm256_setzero_si256(); }
  static Type load(const std::uint64_t* p) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(p));
  }
  static void store(std::uint64_t* p, Type a) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(p), a);
  }
  static Type both(Type a, Type b) { return _mm256_and_si256(a, b); }
  static Type either(Type a, Type b) { return _mm256_or_si256(a, b); }
  static Type without(Type a, Type b) { return _mm256_andnot_si256(b, a); }
  static Type element_bit(int e) {
    const __m256i lane = _mm256_set1_epi64x((e % 256) / 64);
    const __m256i bit = _mm256_set1_epi64x(
        static_cast<long long>(std::uint64_t{1} << (e % 64)));
    return _mm256_and_si256(
        bit, _mm256_cmpeq_epi64(lane, _mm256_setr_epi64x(0, 1, 2, 3)));
  }
  static bool is_zero(Type a) { return _mm256_testz_si256(a, a) != 0; }
};

bool separated(TupleBits& tuple, int k, int n) {
  if (small_enough_for_direct_test(k, n)) {
    return separated_directly(tuple, k, n);
  }
  transpose_rows(tuple, k, n);
  if (n <= 64) return separated_by_blocks<WordBlock>(tuple, k, n);
  return separated_by_blocks<YmmBlock>(tuple, k, n);
}

}  // namespace

// A sum's fraction lies within kMarginUnits * 2^-29 of the extended one.
const Kernels kAvx2Kernels = {
    .draw_bytes = draw_bytes,
    .draw_bits = draw_bits,
    .draw_fractions = draw_fractions,
    .draw_strided_bytes = draw_strided_bytes,
    .finish_packed = finish_packed_by_words,
    .lazy_min_width = 2,
    .fraction_error = static_cast<std::uint64_t>(kMarginUnits)
                      << (64 - kFractionBits),
    .packed_generates = packed_generates_by_rows<separated>,
    .packed_verdicts = byte_row_verdicts,
    .flag_generates = flag_generates_by_rows<separated>};

}  // namespace core::engine
