// The work the engine hands to one instruction set: drawing bytes, bits
// and fractions, and the generation test on a tuple as drawn.  Each path
// (portable, AVX2, AVX-512) fills one table of these; dispatch.h chooses the
// table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/engine/draw_streams.h"

namespace core::engine {

inline constexpr int kRowWords = 32;      // 2048 element bits per row
inline constexpr int kRowCapacity = 128;  // components, two groups of 64
// The generation test intersects components a group at a time, through
// tables of the meets of every subset of a group's rows: groups of 4 rows
// for one-word rows, of 6 rows for longer ones.
inline constexpr int kMaxGroupRows = 6;
inline constexpr int kMaxSubsets = 1 << kMaxGroupRows;
inline constexpr int kMaxGroups = 8;
// The longest series of tuples drawn and tested together.
inline constexpr int kMaxSeries = 1024;

// The tuple as bits, counted from 0: bit e of row(r) is set when element
// e lies in component r; bit r of columns[r / 64][e] says the same (the
// second half only when k > 64).  Rows from k up and bits from n up are
// zero.  One-word rows lie next to each other; longer ones take a whole
// number of 8-word blocks.
struct TupleBits {
  int row_stride = 1;  // words from one row to the next
  // The shape the rows were last cleared for (tuple_bits.h).
  int prepared_components = -1;
  int prepared_words = -1;
  alignas(64) std::uint64_t row_words[kRowCapacity * kRowWords];
  alignas(64) std::uint64_t columns[2][kRowWords * 64];
  // Scratch of the generation test: the meet tables, group after group,
  // subset after subset, each entry as many words as the rows use.
  alignas(64) std::uint64_t group_meets[kMaxGroups * kMaxSubsets * kRowWords];

  std::uint64_t* row(int r) { return row_words + r * row_stride; }
  const std::uint64_t* row(int r) const { return row_words + r * row_stride; }
};

// The row stride for n elements.
constexpr int row_stride_for(int n) {
  const int words = (n + 63) / 64;
  return words == 1 ? 1 : (words + 7) / 8 * 8;
}

struct Kernels {
  // `count` draws of random_below(256), in order, from the draw after
  // `streams`, which then stands at the last of them.  May write up to 63
  // bytes past `count`.
  void (*draw_bytes)(StreamOffsets& streams, std::uint8_t* out,
                     std::size_t count);
  // The same for random_below(2), packed from bit 0 of out[0] upward; the
  // bits of the last word past `count` are zero.
  void (*draw_bits)(StreamOffsets& streams, std::uint64_t* out,
                    std::size_t count);
  // The same as fractions: out[j] approximates the fractional part of the
  // draw's sum of quotients, times 2^64.  May write up to 7 entries past
  // `count`.
  void (*draw_fractions)(StreamOffsets& streams, std::uint64_t* out,
                         std::size_t count);
  // `count` draws of random_below(256) at a stride: out[q] is the draw
  // entry q of `tables` describes after `base` (q may pass kBlock; the
  // base then moves on by block_step).  May write up to 63 bytes past
  // `count`.
  void (*draw_strided_bytes)(const StreamOffsets& base,
                             const StrideTables& tables, std::uint8_t* out,
                             std::size_t count);
  // The rest of a lazily drawn packed tuple of k rows (1..64) of `width`
  // bytes (2..8) whose first `drawn` bytes of every row (1 or 2; `known`,
  // rows of `drawn` bytes back to back) left it undecided: byte b of every
  // row (`tables`, prepared for the shape, after `start`, where the
  // streams stand before the tuple's first draw) for b = drawn, drawn + 1,
  // ..., each followed by the test on the elements drawn so far.  True
  // when the tuple generates.  Null on paths that leave it to the stages
  // of tuple_series.cc.
  bool (*finish_packed)(const StreamOffsets& start, const ColumnTables& tables,
                        const std::uint8_t* known, int drawn);
  // The narrowest rows (in bytes) of packed tuples that this path draws
  // lazily (tuple_series.h): where the draws cost more than the tests on
  // the first elements and the tuples they leave undecided.
  int lazy_min_width;
  // How far, in units of 2^-64, a fraction may lie from the one the plain
  // extended computation forms, both ways.
  std::uint64_t fraction_error;
  // True when the components of a packed tuple generate B_n: every
  // element's column is non-empty and none is contained in another.
  // `draws` holds the tuple as drawn, k rows (1..120) of `byte_count`
  // bytes (1..250) back to back, and 63 readable bytes after them.
  // Uses `tuple` as scratch.
  bool (*packed_generates)(const std::uint8_t* draws, int k, int byte_count,
                           TupleBits& tuple);
  // Verdicts, 1 or 0, for `tuples` packed tuples of one shape lying back
  // to back from `first`, each as packed_generates takes it, written to
  // verdicts[0..tuples-1] (and up to 3 bytes more).  Returns `tuples`, or
  // 0 when the path does not test this shape in bulk.
  int (*packed_verdicts)(const std::uint8_t* first, int tuples, int k,
                         int byte_count, std::uint8_t* verdicts);
  // The same for a flag tuple: k rows (1..120) of n bits (1..2000) back to
  // back from bit `first_bit` (0..63) of draws[0], and one readable word
  // after them.
  bool (*flag_generates)(const std::uint64_t* draws, int first_bit, int k,
                         int n, TupleBits& tuple);
};

extern const Kernels kPortableKernels;
extern const Kernels kAvx2Kernels;
extern const Kernels kAvx512Kernels;

}  // namespace core::engine
