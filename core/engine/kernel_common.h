// What the kernel files share: the margins of the fast draws, rows from a
// tuple as drawn, the transposition by 8x8 bit blocks, and the direct
// generation test of small tuples (the one over meet tables is in
// block_test.h).  Included by the kernel files only, and everything here has
// internal linkage on purpose: each instruction-set file compiles its own
// copy with its own instructions, and no copy can stand in for another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/engine/draw_streams.h"
#include "core/engine/kernels.h"
#include "core/engine/tuple_bits.h"

namespace core::engine {
namespace {  // NOLINT(build/namespaces): see the top of the file

// A 64-bit fraction lies within 932632 units of the exact sum (half a unit
// per offset unit and stream) and the extended steps within 6 more.
constexpr std::uint64_t kFraction64Error = std::uint64_t{1} << 20;

inline std::uint64_t low_bits(int count) {
  return count >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
}

// Element bits below n in row word `word`.
inline std::uint64_t element_mask(int n, int word) {
  const int below = n - 64 * word;
  return below <= 0 ? 0 : low_bits(below);
}

inline int words_for(int n) { return (n + 63) / 64; }

// Sets bit `at` of a block of random_below(2) draws, packed from bit 0 of
// out[0], to what the extended steps give: for a draw whose fraction lay
// too near a boundary to trust.
inline void settle_bit(const StreamOffsets& streams, std::uint64_t* out,
                       int at) {
  const std::uint64_t bit = std::uint64_t{1} << (at % 64);
  if (settle_draw(streams, at + 1, 2) == 1) {
    out[at / 64] |= bit;
  } else {
    out[at / 64] &= ~bit;
  }
}

// The bytes of a row word that lie in the row, for 1..8 of them: the
// first `present` bytes in memory, whatever the byte order.
inline std::uint64_t leading_bytes(int present) {
  static constexpr unsigned char kOnesThenZeros[16] = {
      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0};
  std::uint64_t mask;
  std::memcpy(&mask, kOnesThenZeros + 8 - present, sizeof mask);
  return mask;
}

// Rows from a packed tuple as drawn (kernels.h).  Whole words are read,
// past a row's end too, and masked.  The order of the bits in a row word
// differs from the plain store's inside each byte; that renames elements
// alike in every row and leaves the verdict as it is.
[[maybe_unused]] void rows_from_packed(const std::uint8_t* draws, int k,
                                       int byte_count, TupleBits& tuple) {
  prepare_rows(tuple, k, 8 * byte_count);
  const int words = (byte_count + 7) / 8;
  for (int r = 0; r < k; ++r) {
    const std::uint8_t* bytes =
        draws + static_cast<std::size_t>(r) * byte_count;
    std::uint64_t* row = tuple.row(r);
    for (int w = 0; w < words; ++w) {
      std::uint64_t word;
      std::memcpy(&word, bytes + 8 * w, sizeof word);
      const int present = byte_count - 8 * w;
      row[w] = present < 8 ? word & leading_bytes(present) : word;
    }
  }
}

// Rows from a flag tuple as drawn (kernels.h): row r starts at bit
// first_bit + r * n.
[[maybe_unused]] void rows_from_flags(const std::uint64_t* draws, int first_bit,
                                      int k, int n, TupleBits& tuple) {
  prepare_rows(tuple, k, n);
  const int words = words_for(n);
  for (int r = 0; r < k; ++r) {
    std::uint64_t* row = tuple.row(r);
    for (int w = 0; w < words; ++w) {
      const std::size_t first = static_cast<std::size_t>(first_bit) +
                                static_cast<std::size_t>(r) * n +
                                64 * static_cast<std::size_t>(w);
      const std::size_t q = first / 64;
      const unsigned shift = first % 64;
      std::uint64_t word = draws[q] >> shift;
      if (shift != 0) word |= draws[q + 1] << (64 - shift);
      row[w] = word & element_mask(n, w);
    }
  }
}

// The generation test on a tuple as drawn, for a path that tests rows
// with `separated`: the rows first, then the test.
template <bool (*separated)(TupleBits&, int, int)>
bool packed_generates_by_rows(const std::uint8_t* draws, int k, int byte_count,
                              TupleBits& tuple) {
  rows_from_packed(draws, k, byte_count, tuple);
  return separated(tuple, k, 8 * byte_count);
}

template <bool (*separated)(TupleBits&, int, int)>
bool flag_generates_by_rows(const std::uint64_t* draws, int first_bit, int k,
                            int n, TupleBits& tuple) {
  rows_from_flags(draws, first_bit, k, n, tuple);
  return separated(tuple, k, n);
}

// Transposes an 8x8 bit matrix held as eight bytes: bit 8i + j moves to
// bit 8j + i.  Words may be a word or a vector of them, changed in place
// (a vector passed by value would take the vector registers' calling
// convention, which the portable path does not assume).
template <class Words>
inline void transpose8_in_place(Words& x) {
  Words t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
  x ^= t ^ (t << 7);
  t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
  x ^= t ^ (t << 14);
  t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
  x ^= t ^ (t << 28);
}

inline std::uint64_t transpose8(std::uint64_t x) {
  transpose8_in_place(x);
  return x;
}

// Eight tuples' words, a vector of them: the machine's vector
// instructions where it has them (GCC's generic vectors), word by word
// where it has none, so that the path stays portable.
typedef std::uint64_t EightWords __attribute__((vector_size(64)));
constexpr int kEightLanes = 8;

// Verdicts for tuples of one byte a row (eight elements) and up to
// 8 * kOctets rows, eight tuples at a time: the screen of the lazy draws,
// which tests elements 1 to 8 of wider tuples.  Eight rows make one word,
// turned into eight byte columns by transpose8; rotating the columns by s
// bytes sets each against the one s places on, so seven rotations meet
// every ordered pair, and a column lies inside another when it does so in
// every octet of rows.  An empty column lies inside every other and needs
// no test of its own.  No branch depends on the draws: a tuple fails at
// any of its pairs about as often.
template <int kOctets>
void byte_rows_by_words(const std::uint8_t* first, int tuples, int k,
                        std::uint8_t* verdicts) {
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  for (int t = 0; t < tuples; t += kEightLanes) {
    EightWords columns[kOctets];
    for (int o = 0; o < kOctets; ++o) {
      const int present = k - 8 * o;
      for (int i = 0; i < kEightLanes; ++i) {
        std::uint64_t word = 0;
        if (present > 0 && t + i < tuples) {
          std::memcpy(&word,
                      first + static_cast<std::size_t>(t + i) * k + 8 * o,
                      sizeof word);
          if (present < 8) word &= leading_bytes(present);
        }
        columns[o][i] = word;
      }
      transpose8_in_place(columns[o]);
    }
    EightWords inside = {};
    for (int s = 8; s < 64; s += 8) {
      // Here it matters which byte is zero: in every octet or not.
      EightWords everywhere = ~EightWords{};
      for (int o = 0; o < kOctets; ++o) {
        const EightWords x =
            ((columns[o] << s) | (columns[o] >> (64 - s))) & ~columns[o];
        everywhere &= ~(((x & kLow7) + kLow7) | x);
      }
      inside |= everywhere;
    }
    const int last = tuples - t < kEightLanes ? tuples - t : kEightLanes;
    for (int i = 0; i < last; ++i) {
      verdicts[t + i] = (inside[i] & ~kLow7) == 0 ? 1 : 0;
    }
  }
}

// byte_rows_by_words for tuples of up to eight rows: one rotation by s
// bytes sets each column against the one s places back, and the other
// way round against the one s places on, so four rotations meet every
// ordered pair.  Any zero byte sets a top bit; which one does not matter.
[[maybe_unused]] void one_octet_rows(const std::uint8_t* first, int tuples,
                                     int k, std::uint8_t* verdicts) {
  using Words = EightWords;
  constexpr int kLanes = kEightLanes;
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  const std::uint64_t present = k < 8 ? leading_bytes(k) : ~std::uint64_t{0};
  for (int t = 0; t < tuples; t += kLanes) {
    Words x;
    for (int i = 0; i < kLanes; ++i) {
      std::uint64_t word;
      std::memcpy(&word, first + static_cast<std::size_t>(t + i) * k,
                  sizeof word);
      x[i] = word & present;
    }
    transpose8_in_place(x);
    const Words missing = ~x;
    Words inside = {};
#pragma GCC unroll 4
    for (int s = 8; s <= 32; s += 8) {
      const Words turned = (x << s) | (x >> (64 - s));
      const Words back = turned & missing;
      inside |= (back - kOnes) & ~back;
      if (s != 32) {
        const Words on = x & ~turned;
        inside |= (on - kOnes) & ~on;
      }
    }
    const int last = tuples - t < kLanes ? tuples - t : kLanes;
    for (int i = 0; i < last; ++i) {
      verdicts[t + i] = (inside[i] & ~kLow7) == 0 ? 1 : 0;
    }
  }
}

// Bulk verdicts of byte_rows_by_words, for tuples of one byte a row and up
// to 64 rows; none for other shapes.
[[maybe_unused]] int byte_row_verdicts(const std::uint8_t* first, int tuples,
                                       int k, int byte_count,
                                       std::uint8_t* verdicts) {
  if (byte_count != 1 || k > 64) return 0;
  if (k <= 8) {
    one_octet_rows(first, tuples, k, verdicts);
  } else if (k <= 16) {
    byte_rows_by_words<2>(first, tuples, k, verdicts);
  } else if (k <= 32) {
    byte_rows_by_words<4>(first, tuples, k, verdicts);
  } else {
    byte_rows_by_words<8>(first, tuples, k, verdicts);
  }
  return tuples;
}

// Columns from rows, eight elements by eight components at a time.  Only
// shifts, no byte addressing, so the result does not depend on byte order.
[[maybe_unused]] void transpose_by_octets(TupleBits& tuple, int k, int n) {
  const int words = words_for(n);
  for (int half = 0; half < 2; ++half) {
    const int first_row = 64 * half;
    std::uint64_t* columns = tuple.columns[half];
    // With k <= 64 the second half of the columns is never read.
    if (first_row >= k) break;
    const int octets =
        (k - first_row + 7) / 8 < 8 ? (k - first_row + 7) / 8 : 8;
    for (int w = 0; w < words; ++w) {
      const int octet_columns =
          (n - 64 * w + 7) / 8 < 8 ? (n - 64 * w + 7) / 8 : 8;
      for (int c = 0; c < octet_columns; ++c) {
        // blocks[o]: byte j holds element 64w + 8c + j of rows
        // first_row + 8o .. + 7, one bit per row.
        std::uint64_t blocks[8] = {};
        for (int o = 0; o < octets; ++o) {
          std::uint64_t m = 0;
          for (int i = 0; i < 8; ++i) {
            const std::uint64_t row = tuple.row(first_row + 8 * o + i)[w];
            m |= ((row >> (8 * c)) & 0xFF) << (8 * i);
          }
          blocks[o] = transpose8(m);
        }
        for (int j = 0; j < 8; ++j) {
          std::uint64_t column = 0;
          for (int o = 0; o < octets; ++o) {
            column |= ((blocks[o] >> (8 * j)) & 0xFF) << (8 * o);
          }
          columns[64 * w + 8 * c + j] = column;
        }
      }
    }
  }
}

// Transposes a 64x64 bit matrix in place: bit j of a[i] moves to bit i
// of a[j].  Swaps ever smaller off-diagonal blocks, 32x32 down to 1x1.
inline void transpose64(std::uint64_t a[64]) {
  std::uint64_t mask = 0x00000000FFFFFFFFull;
  for (int j = 32; j != 0; j >>= 1, mask ^= mask << j) {
    for (int i = 0; i < 64; i = ((i | j) + 1) & ~j) {
      const std::uint64_t t = ((a[i] >> j) ^ a[i | j]) & mask;
      a[i] ^= t << j;
      a[i | j] ^= t;
    }
  }
}

// Columns from rows of more than one word: each 64x64 bit block (64
// rows, one word) transposed whole, far fewer steps than by octets when
// the blocks are full.
[[maybe_unused]] void transpose_by_words(TupleBits& tuple, int k, int n) {
  const int words = words_for(n);
  for (int half = 0; half < 2; ++half) {
    const int first_row = 64 * half;
    // With k <= 64 the second half of the columns is never read.
    if (first_row >= k) break;
    const int rows = k - first_row < 64 ? k - first_row : 64;
    for (int w = 0; w < words; ++w) {
      std::uint64_t* block = tuple.columns[half] + 64 * w;
      for (int i = 0; i < rows; ++i) block[i] = tuple.row(first_row + i)[w];
      for (int i = rows; i < 64; ++i) block[i] = 0;
      transpose64(block);
    }
  }
}

// Columns from rows: by words where rows are longer than one and the
// blocks fuller than a quarter (measured even at k = 12 to 16, slower
// below).
[[maybe_unused]] void transpose_rows(TupleBits& tuple, int k, int n) {
  if (n > 64 && k > 16) {
    transpose_by_words(tuple, k, n);
  } else {
    transpose_by_octets(tuple, k, n);
  }
}

// The generation test for small tuples of one-word rows (n <= 64),
// straight from the rows: for each element, the elements missing from
// some row that holds it, which must be all the others.  A row is taken
// or passed over by a mask from its bit of the element, sign-extended,
// without a branch.  Bit 63, beyond the elements when n < 64, is missing
// from every row and so counts whether any row holds the element at all;
// with n = 64 an element in no row leaves the others unmissed.  No
// columns, no tables; worth it while k * n stays small.
[[maybe_unused]] bool separated_directly(const TupleBits& tuple, int k, int n) {
  const std::uint64_t top = std::uint64_t{1} << 63;
  const std::uint64_t all = element_mask(n, 0) | (n < 64 ? top : 0);
  const std::uint64_t* rows = tuple.row(0);
  for (int e = 0; e < n; ++e) {
    std::uint64_t missed = 0;
#pragma GCC unroll 4
    for (int r = 0; r < k; ++r) {
      // All ones when row r holds e (arithmetic shift, as C++20 defines).
      const std::uint64_t holds = static_cast<std::uint64_t>(
          static_cast<std::int64_t>(rows[r] << (63 - e)) >> 63);
      missed |= ~rows[r] & holds;
    }
    if ((all & ~(std::uint64_t{1} << e) & ~missed) != 0) return false;
  }
  return true;
}

// Whether separated_directly is the cheaper test for the shape.
inline bool small_enough_for_direct_test(int k, int n) {
  return n <= 64 && k * n <= 1024;
}

struct WordBlock {
  using Type = std::uint64_t;
  // With a word a block, the blocks that ranking skips pay for it (about
  // 1.2x at n = 2000, k = 64).
  static constexpr bool kRanked = true;
  static constexpr int kWords = 1;
  static Type zero() { return 0; }
  static Type load(const std::uint64_t* p) { return *p; }
  static void store(std::uint64_t* p, Type a) { *p = a; }
  static Type both(Type a, Type b) { return a & b; }
  static Type either(Type a, Type b) { return a | b; }
  static Type without(Type a, Type b) { return a & ~b; }
  static Type element_bit(int e) { return std::uint64_t{1} << (e % 64); }
  static bool is_zero(Type a) { return a == 0; }
};

}  // namespace
}  // namespace core::engine
