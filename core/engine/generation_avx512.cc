// The generation test on the AVX-512 path, compiled with -mavx512f
// -mavx512dq -mavx512bw -mavx512vl -mavx512ifma -mavx512vbmi -mgfni (and
// the AVX2 set): columns from rows by the transposition of
// transpose_avx512.h; packed tuples of up to 64 elements as narrow columns
// (narrow_columns_avx512.h), more through the meet tables eight words at
// a time; flag tuples of up to 64 elements a lane per element
// (element_lanes_avx512.h).
#include "core/engine/generation_avx512.h"

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "core/engine/block_test.h"
#include "core/engine/element_lanes_avx512.h"
#include "core/engine/kernel_common.h"
#include "core/engine/kernels.h"
#include "core/engine/narrow_columns_avx512.h"
#include "core/engine/transpose_avx512.h"
#include "core/engine/tuple_bits.h"

namespace core::engine {
namespace {

// Rows of a packed tuple with byte_count > 8 from its draws: each row's
// bytes, 64 at a time, the bytes past its end as zeros.
void rows_from_packed_bytes(const std::uint8_t* draws, int k, int byte_count,
                            TupleBits& tuple) {
  prepare_rows(tuple, k, 8 * byte_count);
  for (int r = 0; r < k; ++r) {
    const std::uint8_t* bytes =
        draws + static_cast<std::size_t>(r) * byte_count;
    std::uint64_t* row = tuple.row(r);
    for (int at = 0; at < byte_count; at += 64) {
      const int present = byte_count - at < 64 ? byte_count - at : 64;
      _mm512_store_si512(
          row + at / 8, _mm512_maskz_loadu_epi8(low_bits(present), bytes + at));
    }
  }
}

struct ZmmBlock {
  using Type = __m512i;
  // Ranking by weight cost more than the blocks it skipped (measured).
  static constexpr bool kRanked = false;
  static constexpr int kWords = 8;
  static Type zero() { return _mm512_setzero_si512(); }
  static Type load(const std::uint64_t* p) { return _mm512_load_si512(p); }
  static void store(std::uint64_t* p, Type a) { _mm512_store_si512(p, a); }
  static Type both(Type a, Type b) { return _mm512_and_si512(a, b); }
  static Type either(Type a, Type b) { return _mm512_or_si512(a, b); }
  static Type without(Type a, Type b) { return _mm512_andnot_si512(b, a); }
  static Type element_bit(int e) {
    return _mm512_maskz_set1_epi64(
        static_cast<__mmask8>(1u << ((e % 512) / 64)),
        static_cast<long long>(std::uint64_t{1} << (e % 64)));
  }
  static bool is_zero(Type a) { return _mm512_test_epi64_mask(a, a) == 0; }
};

// Byte indexes that take eight rows of `bytes` bytes each (1..8), back to
// back, to qwords of rows_to_blocks order: qword q, byte 7 - L takes byte
// q of row L.
struct PackedOrders {
  unsigned char index[9][64];
};

constexpr PackedOrders build_packed_orders() {
  PackedOrders orders{};
  for (int bytes = 1; bytes <= 8; ++bytes) {
    for (int q = 0; q < 8; ++q) {
      for (int row = 0; row < 8; ++row) {
        orders.index[bytes][8 * q + 7 - row] =
            static_cast<unsigned char>(q < bytes ? row * bytes + q : 0);
      }
    }
  }
  return orders;
}

constexpr PackedOrders kPackedOrders = build_packed_orders();

// Rows first..first+7 of a packed tuple with byte_count <= 8, straight
// from the draws, turned round as blocks_from_rows; rows from k on read
// as empty.
[[gnu::always_inline]] inline __m512i packed_octet(const std::uint8_t* draws,
                                                   int first, int k,
                                                   int byte_count) {
  const int rows = k - first < 8 ? k - first : 8;
  // Bytes q < byte_count of every qword, and of those the bytes 7 - L of
  // rows L < rows.
  const std::uint64_t row_bytes =
      ((0xFFull << (8 - rows)) & 0xFF) * 0x0101010101010101ull;
  const __mmask64 keep = low_bits(8 * byte_count) & row_bytes;
  const __m512i blocks = _mm512_maskz_permutexvar_epi8(
      keep, _mm512_loadu_si512(kPackedOrders.index[byte_count]),
      _mm512_loadu_si512(draws + static_cast<std::size_t>(first) * byte_count));
  return _mm512_gf2p8affine_epi64_epi8(_mm512_set1_epi64(kOneHotBytes), blocks,
                                       0);
}

// Byte j of element[0] is j / 16, of element[1] j / 32.
struct PairOrders {
  unsigned char element[2][64];
};

constexpr PairOrders build_pair_orders() {
  PairOrders orders{};
  for (int j = 0; j < 64; ++j) {
    orders.element[0][j] = static_cast<unsigned char>(j / 16);
    orders.element[1][j] = static_cast<unsigned char>(j / 32);
  }
  return orders;
}

constexpr PairOrders kPairOrders = build_pair_orders();

// The test for n <= 32 elements of byte columns, every pair at once:
// lanes of `span` (16 or 32) candidates y, 64 / span elements x per
// vector.  No element may lie in an empty column or in another's.
[[gnu::always_inline]] inline bool separated_byte_pairs(__m512i columns,
                                                        int n) {
  const std::uint64_t present = low_bits(n);
  if ((_mm512_testn_epi8_mask(columns, columns) & present) != 0) return false;
  const int span = n <= 16 ? 16 : 32;
  const int per_vector = 64 / span;
  // Byte j: candidate j % span, element j / span (plus the vector's first).
  const __m512i lane = _mm512_setr_epi64(
      0x0706050403020100, 0x0F0E0D0C0B0A0908, 0x1716151413121110,
      0x1F1E1D1C1B1A1918, 0x2726252423222120, 0x2F2E2D2C2B2A2928,
      0x3736353433323130, 0x3F3E3D3C3B3A3938);
  const __m512i span_mask = _mm512_set1_epi8(static_cast<char>(span - 1));
  const __m512i candidates =
      _mm512_permutexvar_epi8(_mm512_and_si512(lane, span_mask), columns);
  const __m512i missing =
      _mm512_ternarylogic_epi64(candidates, candidates, candidates, 0x55);
  const __m512i element_of_lane =
      _mm512_loadu_si512(kPairOrders.element[span == 16 ? 0 : 1]);
  // The lanes of real candidates, and the lanes where candidate and
  // element coincide.
  std::uint64_t candidate_lanes = 0;
  std::uint64_t own_lanes = 0;
  for (int t = 0; t < per_vector; ++t) {
    candidate_lanes |= present << (span * t);
    own_lanes |= std::uint64_t{1} << (span * t + t);
  }
  std::uint64_t wrong = 0;
  for (int first = 0; first < n; first += per_vector) {
    const __m512i elements = _mm512_permutexvar_epi8(
        _mm512_add_epi8(element_of_lane,
                        _mm512_set1_epi8(static_cast<char>(first))),
        columns);
    const std::uint64_t rows_here = n - first >= per_vector
                                        ? ~std::uint64_t{0}
                                        : low_bits(span * (n - first));
    const std::uint64_t containing =
        _mm512_testn_epi8_mask(elements, missing) & candidate_lanes & rows_here;
    wrong |= containing ^ ((own_lanes << first) & rows_here);
  }
  return wrong == 0;
}

// The test on the turned blocks of up to 64 elements (octets[o] for rows
// 8o..8o+7, `count` of them): columns as narrow as k allows.
bool separated_octets(__m512i octets[16], int count, int k, int n) {
  if (k <= 8 && n <= 32) return separated_byte_pairs(octets[0], n);
  if (k <= 8) return separated_narrow<ByteLanes, 1>(octets, nullptr, n);
  // Only the octets the widening below reads: zeroing all sixteen was a
  // memset of 896 bytes per tuple.
  const int read = k <= 16 ? 2 : k <= 32 ? 4 : k <= 64 ? 8 : 16;
  for (int o = count; o < read; ++o) octets[o] = _mm512_setzero_si512();
  if (k <= 16) {
    __m512i words[2];
    widen(octets[0], octets[1], 8, words);
    return separated_narrow<WordLanes, 2>(words, nullptr, n);
  }
  if (k <= 32) {
    __m512i low_words[2];
    __m512i high_words[2];
    __m512i dwords[4];
    widen(octets[0], octets[1], 8, low_words);
    widen(octets[2], octets[3], 8, high_words);
    widen(low_words[0], high_words[0], 16, dwords);
    widen(low_words[1], high_words[1], 16, dwords + 2);
    return separated_narrow<DwordLanes, 4>(dwords, nullptr, n);
  }
  __m512i low[8];
  __m512i high[8];
  columns_from_blocks(octets, low);
  if (k <= 64) return separated_narrow<QwordLanes, 8>(low, nullptr, n);
  columns_from_blocks(octets + 8, high);
  return separated_narrow<QwordLanes, 8>(low, high, n);
}

bool separated_rows(TupleBits& tuple, int k, int n) {
  transpose_blocks(tuple, k, n);
  return separated_by_blocks<ZmmBlock>(tuple, k, n);
}

}  // namespace

namespace avx512 {

bool packed_generates(const std::uint8_t* draws, int k, int byte_count,
                      TupleBits& tuple) {
  // The smallest tuples in one straight run: one octet of rows, byte
  // columns, every pair at once.
  if (k <= 8 && byte_count <= 4) {
    return separated_byte_pairs(packed_octet(draws, 0, k, byte_count),
                                8 * byte_count);
  }
  if (byte_count > 8) {
    rows_from_packed_bytes(draws, k, byte_count, tuple);
    return separated_rows(tuple, k, 8 * byte_count);
  }
  __m512i octets[16];
  const int count = (k + 7) / 8;
  for (int o = 0; o < count; ++o) {
    octets[o] = packed_octet(draws, 8 * o, k, byte_count);
  }
  if (k <= 16) {
    if (count < 2) octets[1] = _mm512_setzero_si512();
    return separated_byte_columns<2>(octets, byte_count);
  }
  return separated_octets(octets, count, k, 8 * byte_count);
}

bool flag_generates(const std::uint64_t* draws, int first_bit, int k, int n,
                    TupleBits& tuple) {
  if (n > 64) {
    rows_from_flags(draws, first_bit, k, n, tuple);
    return separated_rows(tuple, k, n);
  }
  return separated_flag_lanes(draws, first_bit, k, n);
}

}  // namespace avx512
}  // namespace core::engine
