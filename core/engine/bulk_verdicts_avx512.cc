// The AVX-512 path's bulk verdicts, compiled with its flags: many small
// packed tuples tested together, for the screens of the lazy draws (one
// and two bytes a row) and for whole tuples of up to 16 elements.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "core/engine/generation_avx512.h"
#include "core/engine/kernel_common.h"
#include "core/engine/transpose_avx512.h"

namespace core::engine {
namespace {

// Byte indexes and lanes that take four packed tuples of k rows (1..8) of
// `bytes` bytes (1 or 2), back to back, to one 128-bit lane each, in
// rows_to_blocks order: lane t, qword q, byte 7 - L takes byte q of row L
// of tuple t.
struct BulkOrder {
  alignas(64) unsigned char index[64];
  std::uint64_t lanes;
};

BulkOrder bulk_order(int k, int bytes) {
  BulkOrder order{};
  const int size = k * bytes;
  for (int t = 0; t < 4; ++t) {
    for (int q = 0; q < bytes; ++q) {
      for (int row = 0; row < k; ++row) {
        const int to = 16 * t + 8 * q + 7 - row;
        order.index[to] =
            static_cast<unsigned char>(size * t + row * bytes + q);
        order.lanes |= std::uint64_t{1} << to;
      }
    }
  }
  return order;
}

// The verdicts of up to eight tuples of one octet of rows each, from
// their turned octets (`columns`, qword t for tuple t, and its
// complement): each rotation by s bytes sets every column against the
// one s places back and, the other way round, the one s places on, so
// four rotations meet every ordered pair.  A zero byte in the least of
// the steps marks a column inside another.
void verdicts_of_octets(__m512i columns, __m512i missing, int tuples,
                        std::uint8_t* verdicts) {
  __m512i least = _mm512_set1_epi8(-1);
#pragma GCC unroll 4
  for (int s = 8; s <= 32; s += 8) {
    const __m512i turned = _mm512_rolv_epi64(columns, _mm512_set1_epi64(s));
    least = _mm512_min_epu8(least, _mm512_and_si512(turned, missing));
    // By four bytes both ways are the same pairs.
    if (s != 32) {
      least = _mm512_min_epu8(least, _mm512_andnot_si512(turned, columns));
    }
  }
  const __m512i wrong = _mm512_movm_epi8(_mm512_testn_epi8_mask(least, least));
  const __mmask8 passed = _mm512_testn_epi64_mask(wrong, wrong);
  const int last = tuples < 8 ? tuples : 8;
  _mm_mask_storeu_epi8(verdicts, static_cast<__mmask16>(low_bits(last)),
                       _mm_maskz_set1_epi8(passed, 1));
}

// Tuples of one byte a row (eight elements), up to 64 rows: the screen of
// the lazy draws, as byte_row_verdicts does it, for as many tuples as a
// vector holds (eight of up to 8 rows, four of up to 16, two of up to 32,
// one of up to 64): each tuple's rows spread over kOctets whole qwords,
// turned into byte columns, and the columns rotated against each other
// seven times.
template <int kOctets>
int byte_rows_in_vectors(const std::uint8_t* first, int tuples, int k,
                         std::uint8_t* verdicts) {
  constexpr int kPerVector = 8 / kOctets;
  // Byte 8 * (kOctets * t + o) + b takes row 8o + b of tuple t.
  alignas(64) unsigned char index[64];
  std::uint64_t present = 0;
  for (int at = 0; at < 64; ++at) {
    const int row = at % (8 * kOctets);
    index[at] = static_cast<unsigned char>((at / (8 * kOctets)) * k + row);
    if (row < k) present |= std::uint64_t{1} << at;
  }
  const __m512i spread = _mm512_load_si512(index);
  const __m512i one_hot = _mm512_set1_epi64(kOneHotBytes);
  // The qwords of a tuple's first octet.
  const __mmask8 firsts = kOctets == 1   ? 0xFF
                          : kOctets == 2 ? 0x55
                          : kOctets == 4 ? 0x11
                                         : 0x01;
  for (int j = 0; j < tuples; j += kPerVector) {
    const __m512i drawn =
        _mm512_loadu_si512(first + static_cast<std::size_t>(j) * k);
    // Eight rows a tuple lie as they should already.
    const __m512i rows =
        k == 8 ? drawn : _mm512_maskz_permutexvar_epi8(present, spread, drawn);
    const __m512i columns = _mm512_gf2p8affine_epi64_epi8(one_hot, rows, 0);
    const __m512i missing =
        _mm512_ternarylogic_epi64(columns, columns, columns, 0x55);
    if (kOctets == 1) {
      verdicts_of_octets(columns, missing, tuples - j, verdicts + j);
      continue;
    }
    std::uint64_t inside = 0;
#pragma GCC unroll 7
    for (int s = 8; s < 64; s += 8) {
      // Bytes whose column holds the one s bytes before it, in every
      // octet of its tuple.
      std::uint64_t held = _mm512_testn_epi8_mask(
          _mm512_rolv_epi64(columns, _mm512_set1_epi64(s)), missing);
      if (kOctets >= 2) held &= held >> 8;
      if (kOctets >= 4) held &= held >> 16;
      if (kOctets >= 8) held &= held >> 32;
      inside |= held;
    }
    // A 1 in the first byte of every tuple whose first qword holds no
    // inside column.
    const __m512i wrong = _mm512_movm_epi8(inside);
    const __mmask8 passed = _mm512_mask_testn_epi64_mask(firsts, wrong, wrong);
    const __m512i ones = _mm512_maskz_set1_epi64(passed, 1);
    const int last = tuples - j < kPerVector ? tuples - j : kPerVector;
    // Byte t of the result: qword kOctets * t.
    const __m128i bytes =
        _mm512_cvtepi64_epi8(_mm512_maskz_compress_epi64(firsts, ones));
    _mm_mask_storeu_epi8(verdicts + j, static_cast<__mmask16>(low_bits(last)),
                         bytes);
  }
  return tuples;
}

// Four tiny tuples at a time (k <= 8, n <= 16): each in a 128-bit lane as
// byte columns, every element's containing columns found by one in-lane
// shuffle and one test for all four.
int tiny_tuples_in_lanes(const std::uint8_t* first, int tuples, int k,
                         int byte_count, std::uint8_t* verdicts) {
  const BulkOrder order = bulk_order(k, byte_count);
  const int n = 8 * byte_count;
  const int size = k * byte_count;
  const __m512i index = _mm512_load_si512(order.index);
  const __m512i one_hot = _mm512_set1_epi64(kOneHotBytes);
  // Bytes of real elements in each lane, and each lane's byte of element e.
  const std::uint64_t present = low_bits(n) * 0x0001000100010001ull;
  for (int j = 0; j < tuples; j += 4) {
    const __m512i window = _mm512_loadu_si512(first + size * j);
    const __m512i columns = _mm512_gf2p8affine_epi64_epi8(
        one_hot, _mm512_maskz_permutexvar_epi8(order.lanes, index, window), 0);
    const __m512i missing =
        _mm512_ternarylogic_epi64(columns, columns, columns, 0x55);
    std::uint64_t wrong = _mm512_testn_epi8_mask(columns, columns) & present;
    for (int e = 0; e < n; ++e) {
      const __m512i mine =
          _mm512_shuffle_epi8(columns, _mm512_set1_epi8(static_cast<char>(e)));
      const std::uint64_t containing =
          _mm512_testn_epi8_mask(mine, missing) & present;
      wrong |= containing ^ (0x0001000100010001ull << e);
      // Most small tuples fail at their first elements: once all four
      // have, the rest can only confirm it.
      if ((e & 3) == 3 && (wrong & 0x000000000000FFFFull) != 0 &&
          (wrong & 0x00000000FFFF0000ull) != 0 &&
          (wrong & 0x0000FFFF00000000ull) != 0 &&
          (wrong & 0xFFFF000000000000ull) != 0) {
        break;
      }
    }
    for (int t = 0; t < 4; ++t) {
      verdicts[j + t] = ((wrong >> (16 * t)) & 0xFFFF) == 0 ? 1 : 0;
    }
  }
  return tuples;
}

// Word indexes for the test of two-byte rows: for a pairing d (0 or 1)
// and a turn s (0..7), word 16t + 8c + i takes word 16t + 8(c ^ d) +
// (i - s) mod 8: each element's column against another of the same tuple.
struct WordPairings {
  unsigned short index[2][8][32];
};

constexpr WordPairings build_word_pairings() {
  WordPairings pairings{};
  for (int d = 0; d < 2; ++d) {
    for (int turn = 0; turn < 8; ++turn) {
      for (int w = 0; w < 32; ++w) {
        const int t = w / 16;
        const int c = (w / 8) % 2;
        const int i = w % 8;
        pairings.index[d][turn][w] = static_cast<unsigned short>(
            16 * t + 8 * (c ^ d) + ((i - turn) & 7));
      }
    }
  }
  return pairings;
}

alignas(64) constexpr WordPairings kWordPairings = build_word_pairings();

// Two tuples at a time of 9 to 16 rows of two bytes (the screen of the
// second bytes of the lazy draws): the sixteen columns of each as 16-bit
// lanes, every column against every other by 15 word permutations.  Rows
// go to qwords 4t + 2h + c (rows 8h.. of byte c of tuple t), are turned
// into byte columns, and the two halves of each column meet in a word.
int two_byte_rows_in_words(const std::uint8_t* first, int tuples, int k,
                           std::uint8_t* verdicts) {
  alignas(64) unsigned char gather[64];
  std::uint64_t present = 0;
  alignas(64) unsigned char pair_up[64];
  for (int at = 0; at < 64; ++at) {
    const int qword = at / 8;
    const int t = qword / 4;
    const int h = (qword / 2) % 2;
    const int c = qword % 2;
    const int row = 8 * h + at % 8;
    gather[at] = static_cast<unsigned char>(2 * k * t + 2 * row + c);
    if (row < k) present |= std::uint64_t{1} << at;
    // Byte h of word w = 16t + 8c + i comes from qword 4t + 2h + c.
    const int w = at / 2;
    pair_up[at] = static_cast<unsigned char>(
        8 * (4 * (w / 16) + 2 * (at % 2) + (w / 8) % 2) + w % 8);
  }
  const __m512i spread = _mm512_load_si512(gather);
  const __m512i halves = _mm512_load_si512(pair_up);
  const __m512i one_hot = _mm512_set1_epi64(kOneHotBytes);
  for (int j = 0; j < tuples; j += 2) {
    const __m512i rows = _mm512_maskz_permutexvar_epi8(
        present, spread,
        _mm512_loadu_si512(first + static_cast<std::size_t>(j) * 2 * k));
    const __m512i columns = _mm512_permutexvar_epi8(
        halves, _mm512_gf2p8affine_epi64_epi8(one_hot, rows, 0));
    const __m512i missing =
        _mm512_ternarylogic_epi64(columns, columns, columns, 0x55);
    __m512i least[2] = {_mm512_set1_epi8(-1), _mm512_set1_epi8(-1)};
#pragma GCC unroll 8
    for (int turn = 0; turn < 8; ++turn) {
      for (int d = turn == 0 ? 1 : 0; d < 2; ++d) {
        const __m512i index = _mm512_load_si512(kWordPairings.index[d][turn]);
        least[d] = _mm512_min_epu16(
            least[d], _mm512_and_si512(_mm512_permutexvar_epi16(index, columns),
                                       missing));
      }
    }
    const std::uint32_t inside =
        _mm512_testn_epi16_mask(_mm512_min_epu16(least[0], least[1]),
                                _mm512_min_epu16(least[0], least[1]));
    verdicts[j] = (inside & 0xFFFF) == 0 ? 1 : 0;
    if (j + 1 < tuples) verdicts[j + 1] = (inside >> 16) == 0 ? 1 : 0;
  }
  return tuples;
}

}  // namespace

namespace avx512 {

int packed_verdicts(const std::uint8_t* first, int tuples, int k,
                    int byte_count, std::uint8_t* verdicts) {
  if (byte_count == 1) {
    if (k <= 8) return byte_rows_in_vectors<1>(first, tuples, k, verdicts);
    if (k <= 16) return byte_rows_in_vectors<2>(first, tuples, k, verdicts);
    if (k <= 32) return byte_rows_in_vectors<4>(first, tuples, k, verdicts);
    if (k <= 64) return byte_rows_in_vectors<8>(first, tuples, k, verdicts);
    return 0;
  }
  if (byte_count == 2 && k > 8 && k <= 16) {
    return two_byte_rows_in_words(first, tuples, k, verdicts);
  }
  if (k > 8 || byte_count > 2) return 0;
  return tiny_tuples_in_lanes(first, tuples, k, byte_count, verdicts);
}

}  // namespace avx512
}  // namespace core::engine
