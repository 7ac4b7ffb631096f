// The AVX-512 path's transposition of rows into columns, for
// generation_avx512.cc alone (compiled with its flags): byte permutations
// around the GF(2^8) affine instruction, which transposes 8x8 bit blocks.
// Internal linkage on purpose, as in kernel_common.h.
#pragma once

#include <immintrin.h>

#include <cstdint>

#include "core/engine/kernel_common.h"
#include "core/engine/kernels.h"

namespace core::engine {
namespace {  // NOLINT(build/namespaces): see the top of the file

// Byte permutations of the transposition, for eight qwords of eight bytes.
struct ByteOrders {
  // Qword J, byte 7 - L takes qword L, byte J: bytes transposed, with the
  // row order reversed to undo the reversal of the affine step.
  unsigned char rows_to_blocks[64];
  // Qword j, byte I takes qword I, byte j: a plain byte transpose.
  unsigned char blocks_to_columns[64];
};

constexpr ByteOrders build_byte_orders() {
  ByteOrders orders{};
  for (int a = 0; a < 8; ++a) {
    for (int b = 0; b < 8; ++b) {
      orders.rows_to_blocks[8 * a + 7 - b] =
          static_cast<unsigned char>(8 * b + a);
      orders.blocks_to_columns[8 * a + b] =
          static_cast<unsigned char>(8 * b + a);
    }
  }
  return orders;
}

constexpr ByteOrders kByteOrders = build_byte_orders();

// Byte j of every qword set to bit j: as the data of the affine step, it
// reads column j of each 8x8 matrix.
constexpr long long kOneHotBytes = 0x8040201008040201ll;

// For each step b = 1, 2, 4 of the qword transpose: where the lower and
// the upper vector of a pair take their qwords from (0..7 the first of the
// pair, 8..15 the second).
struct QwordOrders {
  alignas(64) long long low[3][8];
  alignas(64) long long high[3][8];
};

constexpr QwordOrders build_qword_orders() {
  QwordOrders orders{};
  for (int step = 0; step < 3; ++step) {
    const int b = 1 << step;
    for (int p = 0; p < 8; ++p) {
      orders.low[step][p] = (p & b) == 0 ? p : 8 + p - b;
      orders.high[step][p] = (p & b) == 0 ? p + b : 8 + p;
    }
  }
  return orders;
}

constexpr QwordOrders kQwordOrders = build_qword_orders();

// Exchanges qword J of v[I] with qword I of v[J] across the eight vectors.
[[gnu::always_inline]] inline void transpose_qwords(__m512i v[8]) {
  for (int step = 0; step < 3; ++step) {
    const int b = 1 << step;
    const __m512i low = _mm512_load_si512(kQwordOrders.low[step]);
    const __m512i high = _mm512_load_si512(kQwordOrders.high[step]);
    for (int i = 0; i < 8; ++i) {
      if ((i & b) != 0) continue;
      const __m512i x = v[i];
      const __m512i y = v[i + b];
      v[i] = _mm512_permutex2var_epi64(x, low, y);
      v[i + b] = _mm512_permutex2var_epi64(x, high, y);
    }
  }
}

// Eight rows of one word each (qword L: row L) as 8x8 blocks turned
// round: qword J, byte j holds element 8J + j of the word, bit L of it
// from row L.
__m512i blocks_from_rows(__m512i rows) {
  return _mm512_gf2p8affine_epi64_epi8(
      _mm512_set1_epi64(kOneHotBytes),
      _mm512_permutexvar_epi8(_mm512_loadu_si512(kByteOrders.rows_to_blocks),
                              rows),
      0);
}

// Qword columns of elements 8J..8J+7 into out[J] from the turned blocks
// of eight row octets (v[o] for rows 8o..8o+7); v is overwritten.
void columns_from_blocks(__m512i v[8], __m512i out[8]) {
  transpose_qwords(v);
  // v[J], qword o, byte j: element 8J + j, rows 8o..8o+7.
  const __m512i blocks_to_columns =
      _mm512_loadu_si512(kByteOrders.blocks_to_columns);
  for (int J = 0; J < 8; ++J) {
    out[J] = _mm512_permutexvar_epi8(blocks_to_columns, v[J]);
  }
}

// Columns from rows: for each group of 64 rows and each block of 8 words,
// eight rows at a time are turned into eight words' 8x8 blocks, then each
// word's blocks of the 64 rows into its 64 columns.  Rows of one word (n
// <= 64) are one block of their own.
[[maybe_unused]] void transpose_blocks(TupleBits& tuple, int k, int n) {
  const int words = words_for(n);
  // blocks[w][o]: word w of the block, rows 8o..8o+7 of the group.
  alignas(64) __m512i blocks[8][8];
  for (int half = 0; half < 2; ++half) {
    const int first_row = 64 * half;
    // With k <= 64 the second half of the columns is never read.
    if (first_row >= k) break;
    const int octets =
        (k - first_row + 7) / 8 < 8 ? (k - first_row + 7) / 8 : 8;
    for (int first_word = 0; first_word < words; first_word += 8) {
      for (int o = 0; o < 8; ++o) {
        if (o >= octets) {
          for (int w = 0; w < 8; ++w) blocks[w][o] = _mm512_setzero_si512();
          continue;
        }
        if (tuple.row_stride == 1) {
          // One-word rows lie next to each other: eight of them at once.
          blocks[0][o] = blocks_from_rows(
              _mm512_loadu_si512(tuple.row(first_row + 8 * o)));
          continue;
        }
        __m512i v[8];
        for (int i = 0; i < 8; ++i) {
          v[i] =
              _mm512_load_si512(tuple.row(first_row + 8 * o + i) + first_word);
        }
        // v[w], qword i: word first_word + w of row 8o + i.
        transpose_qwords(v);
        for (int w = 0; w < 8; ++w) blocks[w][o] = blocks_from_rows(v[w]);
      }
      const int last = words - first_word < 8 ? words - first_word : 8;
      for (int w = 0; w < last; ++w) {
        __m512i out[8];
        columns_from_blocks(blocks[w], out);
        std::uint64_t* columns = tuple.columns[half] + 64 * (first_word + w);
        for (int J = 0; J < 8; ++J)
          _mm512_storeu_si512(columns + 8 * J, out[J]);
      }
    }
  }
}

}  // namespace
}  // namespace core::engine
