// The AVX-512 path's generation test on flag tuples of up to 64 elements,
// for generation_avx512.cc alone (compiled with its flags): one lane per
// element, every row applied to all lanes at once, straight from the bit
// stream.  No transposition, no gathers, no early exits to mispredict.
// Internal linkage on purpose, as in kernel_common.h.
#pragma once

#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "core/engine/kernel_common.h"

namespace core::engine {
namespace {  // NOLINT(build/namespaces): see the top of the file

// Lanes of 16, 32 or 64 bits, each the meet of one element.  Lane
// supplies Type (the lane's integer), kLanes, set(value) (value in every
// lane), only(lanes, a) (a in `lanes`, zero elsewhere), holds(rows, own) (the
// lanes where rows & own != 0) and narrowed(meet, lanes, rows) (meet & rows in
// `lanes`, meet elsewhere).
struct WordMeets {
  using Type = std::uint16_t;
  static constexpr int kLanes = 32;
  static __m512i set(Type value) {
    return _mm512_set1_epi16(static_cast<short>(value));
  }
  static __m512i only(std::uint64_t lanes, __m512i a) {
    return _mm512_maskz_mov_epi16(static_cast<__mmask32>(lanes), a);
  }
  static std::uint64_t holds(__m512i rows, __m512i own) {
    return _mm512_test_epi16_mask(rows, own);
  }
  static __m512i narrowed(__m512i meet, std::uint64_t lanes, __m512i rows) {
    // No masked AND for 16-bit lanes: rows in `lanes`, the meet itself
    // elsewhere.
    return _mm512_and_si512(meet, _mm512_mask_mov_epi16(meet, lanes, rows));
  }
};
struct DwordMeets {
  using Type = std::uint32_t;
  static constexpr int kLanes = 16;
  static __m512i set(Type value) {
    return _mm512_set1_epi32(static_cast<int>(value));
  }
  static __m512i only(std::uint64_t lanes, __m512i a) {
    return _mm512_maskz_mov_epi32(static_cast<__mmask16>(lanes), a);
  }
  static std::uint64_t holds(__m512i rows, __m512i own) {
    return _mm512_test_epi32_mask(rows, own);
  }
  static __m512i narrowed(__m512i meet, std::uint64_t lanes, __m512i rows) {
    return _mm512_mask_and_epi32(meet, static_cast<__mmask16>(lanes), meet,
                                 rows);
  }
};
struct QwordMeets {
  using Type = std::uint64_t;
  static constexpr int kLanes = 8;
  static __m512i set(Type value) {
    return _mm512_set1_epi64(static_cast<long long>(value));
  }
  static __m512i only(std::uint64_t lanes, __m512i a) {
    return _mm512_maskz_mov_epi64(static_cast<__mmask8>(lanes), a);
  }
  static std::uint64_t holds(__m512i rows, __m512i own) {
    return _mm512_test_epi64_mask(rows, own);
  }
  static __m512i narrowed(__m512i meet, std::uint64_t lanes, __m512i rows) {
    return _mm512_mask_and_epi64(meet, static_cast<__mmask8>(lanes), meet,
                                 rows);
  }
};

// Lane e's own element bit, 1 << e, for each lane width: lanes past the
// width's elements read as zero.
template <class Type>
struct OwnBits {
  alignas(64) Type bit[64];
};

template <class Type>
constexpr OwnBits<Type> build_own_bits() {
  OwnBits<Type> own{};
  for (int e = 0; e < 8 * static_cast<int>(sizeof(Type)); ++e) {
    own.bit[e] = static_cast<Type>(Type{1} << e);
  }
  return own;
}

template <class Type>
constexpr OwnBits<Type> kOwnBits = build_own_bits<Type>();

// Row r of a flag tuple as drawn (kernels.h), n <= 64 bits from bit
// first_bit + r * n of draws[0]; the bits from n up are zero.  Reads the
// word after the row's last, which the contract allows.
[[gnu::always_inline]] inline std::uint64_t flag_row(const std::uint64_t* draws,
                                                     int first_bit, int r,
                                                     int n,
                                                     std::uint64_t mask) {
  const unsigned bit = static_cast<unsigned>(first_bit + r * n);
  if (n <= 57) {
    // The row lies within the eight bytes from its first.
    std::uint64_t word;
    std::memcpy(&word, reinterpret_cast<const unsigned char*>(draws) + bit / 8,
                sizeof word);
    return (word >> (bit % 8)) & mask;
  }
  __extension__ typedef unsigned __int128 Pair;
  const Pair pair = (Pair{draws[bit / 64 + 1]} << 64) | draws[bit / 64];
  return static_cast<std::uint64_t>(pair >> (bit % 64)) & mask;
}

// The generation test on a flag tuple of n <= kVectors * Lane::kLanes
// elements: lane e starts as every element but e and keeps the meet of the
// rows that hold e.  The tuple generates when every lane comes down to
// nothing.  An element in no row keeps the others, or, when n = 1, a
// bit above the elements that every row clears.
template <class Lane, int kVectors>
bool separated_lanes(const std::uint64_t* draws, int first_bit, int k, int n) {
  using Type = typename Lane::Type;
  constexpr int kBits = 8 * sizeof(Type);
  const std::uint64_t all = low_bits(n);
  const Type sentinel =
      n < kBits ? static_cast<Type>(Type{1} << (kBits - 1)) : Type{0};
  const __m512i others = Lane::set(static_cast<Type>(all | sentinel));
  __m512i meet[kVectors];
  __m512i own[kVectors];
  for (int v = 0; v < kVectors; ++v) {
    // Lanes from n on stay zero: no element of theirs, nothing to meet.
    const int first = v * Lane::kLanes;
    const std::uint64_t lanes = first < n ? low_bits(n - first) : 0;
    own[v] = Lane::only(lanes, _mm512_load_si512(kOwnBits<Type>.bit + first));
    meet[v] = Lane::only(lanes, _mm512_andnot_si512(own[v], others));
  }
  for (int r = 0; r < k; ++r) {
    const __m512i rows =
        Lane::set(static_cast<Type>(flag_row(draws, first_bit, r, n, all)));
#pragma GCC unroll 8
    for (int v = 0; v < kVectors; ++v) {
      meet[v] = Lane::narrowed(meet[v], Lane::holds(rows, own[v]), rows);
    }
  }
  __m512i any = meet[0];
#pragma GCC unroll 8
  for (int v = 1; v < kVectors; ++v) any = _mm512_or_si512(any, meet[v]);
  return _mm512_test_epi64_mask(any, any) == 0;
}

// separated_lanes for 17..24 elements in 32-bit lanes: elements 16 on in
// half a vector, which costs half as much on machines that split wide
// vectors in two.
bool separated_24_lanes(const std::uint64_t* draws, int first_bit, int k,
                        int n) {
  const std::uint64_t all = low_bits(n);
  const auto others = static_cast<int>(all | (std::uint64_t{1} << 31));
  const __m512i own_low = _mm512_load_si512(kOwnBits<std::uint32_t>.bit);
  const __m256i own_high =
      _mm256_maskz_loadu_epi32(static_cast<__mmask8>(low_bits(n - 16)),
                               kOwnBits<std::uint32_t>.bit + 16);
  __m512i meet_low = _mm512_andnot_si512(own_low, _mm512_set1_epi32(others));
  __m256i meet_high =
      _mm256_maskz_andnot_epi32(static_cast<__mmask8>(low_bits(n - 16)),
                                own_high, _mm256_set1_epi32(others));
  for (int r = 0; r < k; ++r) {
    const auto row =
        static_cast<std::uint32_t>(flag_row(draws, first_bit, r, n, all));
    const __m512i rows = _mm512_set1_epi32(static_cast<int>(row));
    meet_low = _mm512_mask_and_epi32(
        meet_low, _mm512_test_epi32_mask(rows, own_low), meet_low, rows);
    const __m256i half = _mm512_castsi512_si256(rows);
    meet_high = _mm256_mask_and_epi32(
        meet_high, _mm256_test_epi32_mask(half, own_high), meet_high, half);
  }
  const __m256i any = _mm256_or_si256(
      meet_high, _mm256_or_si256(_mm512_castsi512_si256(meet_low),
                                 _mm512_extracti64x4_epi64(meet_low, 1)));
  return _mm256_testz_si256(any, any) != 0;
}

// The same for any n <= 64, in lanes as narrow as n allows.
bool separated_flag_lanes(const std::uint64_t* draws, int first_bit, int k,
                          int n) {
  if (n <= 16) return separated_lanes<WordMeets, 1>(draws, first_bit, k, n);
  if (n <= 24) return separated_24_lanes(draws, first_bit, k, n);
  if (n <= 32) return separated_lanes<DwordMeets, 2>(draws, first_bit, k, n);
  switch ((n + 7) / 8) {
    case 5:
      return separated_lanes<QwordMeets, 5>(draws, first_bit, k, n);
    case 6:
      return separated_lanes<QwordMeets, 6>(draws, first_bit, k, n);
    case 7:
      return separated_lanes<QwordMeets, 7>(draws, first_bit, k, n);
    default:
      return separated_lanes<QwordMeets, 8>(draws, first_bit, k, n);
  }
}

}  // namespace
}  // namespace core::engine
