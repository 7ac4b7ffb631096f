// The AVX-512 path's generation test on narrow columns (n <= 64), for
// generation_avx512.cc alone (compiled with its flags): columns in lanes
// as narrow as k allows, so that one comparison covers many elements, and
// the widening of lanes.  Internal linkage on purpose, as in
// kernel_common.h.
#pragma once

#include <immintrin.h>

#include <cstdint>

#include "core/engine/kernel_common.h"

namespace core::engine {
namespace {  // NOLINT(build/namespaces): see the top of the file

// Columns of up to 64 elements (n <= 64) in lanes as narrow as k allows,
// so that one comparison covers many elements.  Lane supplies kLanes,
// copy(columns, lane) (every lane set to that lane of `columns`) and
// misses(a, b) (the lanes where a & b == 0).
struct ByteLanes {
  static constexpr int kLanes = 64;
  static __m512i copy(__m512i columns, int lane) {
    return _mm512_permutexvar_epi8(_mm512_set1_epi8(static_cast<char>(lane)),
                                   columns);
  }
  static std::uint64_t misses(__m512i a, __m512i b) {
    return _mm512_testn_epi8_mask(a, b);
  }
};
struct WordLanes {
  static constexpr int kLanes = 32;
  static __m512i copy(__m512i columns, int lane) {
    return _mm512_permutexvar_epi16(_mm512_set1_epi16(static_cast<short>(lane)),
                                    columns);
  }
  static std::uint64_t misses(__m512i a, __m512i b) {
    return _mm512_testn_epi16_mask(a, b);
  }
};
struct DwordLanes {
  static constexpr int kLanes = 16;
  static __m512i copy(__m512i columns, int lane) {
    return _mm512_permutexvar_epi32(_mm512_set1_epi32(lane), columns);
  }
  static std::uint64_t misses(__m512i a, __m512i b) {
    return _mm512_testn_epi32_mask(a, b);
  }
};
struct QwordLanes {
  static constexpr int kLanes = 8;
  static __m512i copy(__m512i columns, int lane) {
    return _mm512_permutexvar_epi64(_mm512_set1_epi64(lane), columns);
  }
  static std::uint64_t misses(__m512i a, __m512i b) {
    return _mm512_testn_epi64_mask(a, b);
  }
};

// The generation test on narrow columns, kVectors vectors of them: for
// each element e, the elements whose columns contain e's must be e alone.
// `high` holds components 64 and up, or nothing when k <= 64.
template <class Lane, int kVectors>
bool separated_narrow(const __m512i* low, const __m512i* high, int n) {
  constexpr int kLanes = Lane::kLanes;
  const __m512i ones = _mm512_set1_epi64(-1);
  __m512i low_missing[kVectors];
  __m512i high_missing[kVectors];
  std::uint64_t present[kVectors];
  for (int v = 0; v < kVectors; ++v) {
    present[v] = n > v * kLanes ? low_bits(n - v * kLanes) : 0;
    low_missing[v] = _mm512_xor_si512(low[v], ones);
    std::uint64_t empty = Lane::misses(low[v], low[v]);
    if (high != nullptr) {
      high_missing[v] = _mm512_xor_si512(high[v], ones);
      empty &= Lane::misses(high[v], high[v]);
    }
    if ((empty & present[v]) != 0) return false;
  }
  for (int e = 0; e < n; ++e) {
    const int home = e / kLanes;
    const __m512i mine = Lane::copy(low[home], e % kLanes);
    std::uint64_t containing = 0;
    if (high == nullptr) {
      for (int v = 0; v < kVectors; ++v) {
        containing |= (Lane::misses(mine, low_missing[v]) & present[v])
                      << (v * kLanes % 64);
      }
    } else {
      const __m512i mine_high = Lane::copy(high[home], e % kLanes);
      for (int v = 0; v < kVectors; ++v) {
        containing |= (Lane::misses(mine, low_missing[v]) &
                       Lane::misses(mine_high, high_missing[v]) & present[v])
                      << (v * kLanes % 64);
      }
    }
    if (containing != std::uint64_t{1} << e) return false;
  }
  return true;
}

// Byte indexes that interleave the lanes of two vectors, element by
// element, into lanes twice as wide: widen[w][half] for narrow lanes of
// 8 (w = 0) or 16 bits (w = 1), elements from half * 64 / (2 * lane bytes).
struct WidenOrders {
  unsigned char index[2][2][64];
};

constexpr WidenOrders build_widen_orders() {
  WidenOrders orders{};
  for (int w = 0; w < 2; ++w) {
    const int per = w + 1;  // bytes per narrow lane
    for (int half = 0; half < 2; ++half) {
      for (int i = 0; i < 64; ++i) {
        const int lane = i / (2 * per);
        const int from_second = (i / per) % 2;
        orders.index[w][half][i] = static_cast<unsigned char>(
            64 * from_second + (half * 32 / per + lane) * per + i % per);
      }
    }
  }
  return orders;
}

constexpr WidenOrders kWidenOrders = build_widen_orders();

// out[0], out[1]: a and b interleaved into lanes of twice `width` bits.
void widen(__m512i a, __m512i b, int width, __m512i out[2]) {
  const int w = width == 8 ? 0 : 1;
  out[0] = _mm512_permutex2var_epi8(
      a, _mm512_loadu_si512(kWidenOrders.index[w][0]), b);
  out[1] = _mm512_permutex2var_epi8(
      a, _mm512_loadu_si512(kWidenOrders.index[w][1]), b);
}

}  // namespace
}  // namespace core::engine
