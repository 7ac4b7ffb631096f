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
[[maybe_unused]] void widen(__m512i a, __m512i b, int width, __m512i out[2]) {
  const int w = width == 8 ? 0 : 1;
  out[0] = _mm512_permutex2var_epi8(
      a, _mm512_loadu_si512(kWidenOrders.index[w][0]), b);
  out[1] = _mm512_permutex2var_epi8(
      a, _mm512_loadu_si512(kWidenOrders.index[w][1]), b);
}

// Byte indexes that set each byte column against another: for a pairing
// d (1..7, or 0 within the qword) and a turn s (0..7), byte 8q + i takes
// byte 8 (q ^ d) + (i - s) mod 8.
struct PairingOrders {
  unsigned char index[8][8][64];
};

constexpr PairingOrders build_pairing_orders() {
  PairingOrders orders{};
  for (int d = 0; d < 8; ++d) {
    for (int turn = 0; turn < 8; ++turn) {
      for (int at = 0; at < 64; ++at) {
        const int q = at / 8;
        const int i = at % 8;
        orders.index[d][turn][at] =
            static_cast<unsigned char>(8 * (q ^ d) + ((i - turn) & 7));
      }
    }
  }
  return orders;
}

alignas(64) constexpr PairingOrders kPairingOrders = build_pairing_orders();

// For `bytes` byte columns (1..8) and a pairing d: the bytes of the
// qwords q < bytes whose partner q ^ d is one of them too.
struct PairingLanes {
  std::uint64_t lanes[9][8];
};

constexpr PairingLanes build_pairing_lanes() {
  PairingLanes pairing{};
  for (int bytes = 1; bytes <= 8; ++bytes) {
    for (int d = 0; d < 8; ++d) {
      for (int q = 0; q < bytes; ++q) {
        if ((q ^ d) < bytes) pairing.lanes[bytes][d] |= 0xFFull << (8 * q);
      }
    }
  }
  return pairing;
}

constexpr PairingLanes kPairingLanes = build_pairing_lanes();

// The test on packed tuples of up to 8 * kOctets rows and up to eight
// bytes a row, from their turned octets (packed_octet: qword q holds the
// columns of byte q's elements, one byte each): every column against every
// other by byte permutations, with no branch on the draws.  Qword q is
// set against qword q ^ d, turned by s bytes, so both directions of a
// pair of qwords come in one step.  A step leaves a zero byte where a
// column lies inside the other in every octet; the minimum over the steps
// keeps it (four minima, so that the steps need not wait for each other),
// and an empty column lies inside every other.
//
// `pairings` (bit d for pairing d) may leave out the pairings of columns
// already known to pass among themselves: the last column alone, b =
// bytes - 1, needs pairings 0 and b ^ q for q < b.
template <int kOctets>
bool separated_byte_columns(const __m512i* octets, int bytes,
                            unsigned pairings = 0xFF) {
  __m512i least[4];
  for (__m512i& l : least) l = _mm512_set1_epi8(-1);
  for (int d = 0; d < 8; ++d) {
    const __mmask64 lanes = kPairingLanes.lanes[bytes][d];
    if (lanes == 0 || ((pairings >> d) & 1) == 0) continue;
#pragma GCC unroll 8
    for (int turn = 0; turn < 8; ++turn) {
      if (d == 0 && turn == 0) continue;
      const __m512i index = _mm512_load_si512(kPairingOrders.index[d][turn]);
      __m512i outside = _mm512_andnot_si512(
          octets[0], _mm512_permutexvar_epi8(index, octets[0]));
      for (int o = 1; o < kOctets; ++o) {
        outside = _mm512_ternarylogic_epi64(
            _mm512_permutexvar_epi8(index, octets[o]), octets[o], outside,
            0xBA);  // (a & ~b) | c
      }
      least[turn % 4] = _mm512_mask_min_epu8(least[turn % 4], lanes,
                                             least[turn % 4], outside);
    }
  }
  const __m512i all = _mm512_min_epu8(_mm512_min_epu8(least[0], least[1]),
                                      _mm512_min_epu8(least[2], least[3]));
  return _mm512_testn_epi8_mask(all, all) == 0;
}

}  // namespace
}  // namespace core::engine
