// The portable path: plain 64-bit integer arithmetic, exact on every
// 64-bit platform.  A draw's fraction is the sum of three table entries
// times the block's offsets, modulo 2^64; its top bits are the result
// unless it lies within the error margin of a boundary.
#include <cstddef>
#include <cstdint>

#include "core/engine/block_test.h"
#include "core/engine/draw_streams.h"
#include "core/engine/finish_by_words.h"
#include "core/engine/kernel_common.h"
#include "core/engine/kernels.h"

namespace core::engine {
namespace {

std::uint64_t fraction_at(const StreamOffsets& base, int j) {
  const DrawTables& t = draw_tables;
  return t.fixed64 + base.offset[0] * t.fraction64[0][j] +
         base.offset[1] * t.fraction64[1][j] +
         base.offset[2] * t.fraction64[2][j];
}

// The fractions of a block's draws raised by the margin, so that one
// shift and one comparison tell a draw next to a boundary: a fraction
// lies within the margin of a multiple of 2^(64 - bits), where the top
// `bits` bits change, when its raised form, shifted by `bits`, falls below
// twice the margin so shifted.  Away from a boundary the raise leaves the
// top bits as they are; next to one the draw is settled anyway.
class RaisedFractions {
 public:
  RaisedFractions(const StreamOffsets& base, int bits, const DrawTables& t)
      : tables_(t),
        raised_fixed_(t.fixed64 + margin()),
        limit_(margin() << (bits + 1)),
        bits_(bits),
        d0_(base.offset[0]),
        d1_(base.offset[1]),
        d2_(base.offset[2]) {}

  std::uint64_t at(int j) const {
    return raised_fixed_ + d0_ * tables_.fraction64[0][j] +
           d1_ * tables_.fraction64[1][j] + d2_ * tables_.fraction64[2][j];
  }
  // What near() compares; the least of a block's distances is taken
  // without a branch, and only a block whose least is near looks again.
  std::uint64_t distance(std::uint64_t raised) const { return raised << bits_; }
  bool near(std::uint64_t lowest) const { return lowest < limit_; }
  bool near_at(int j) const { return near(distance(at(j))); }

 private:
  static std::uint64_t margin() {
    return boundary_margins ? kFraction64Error : 0;
  }

  const DrawTables& tables_;
  const std::uint64_t raised_fixed_;
  const std::uint64_t limit_;
  const int bits_;
  const std::uint64_t d0_, d1_, d2_;
};

inline std::uint64_t least(std::uint64_t a, std::uint64_t b) {
  return a < b ? a : b;
}

// Bytes 0..n-1 of a block into out; returns the least distance among
// them (RaisedFractions::near).
std::uint64_t byte_block(const RaisedFractions& fractions, std::uint8_t* out,
                         int n) {
  std::uint64_t lowest = ~std::uint64_t{0};
#pragma GCC unroll 4
  for (int j = 0; j < n; ++j) {
    const std::uint64_t f = fractions.at(j);
    out[j] = static_cast<std::uint8_t>(f >> 56);
    lowest = least(lowest, fractions.distance(f));
  }
  return lowest;
}

void draw_bytes(StreamOffsets& streams, std::uint8_t* out, std::size_t count) {
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    const RaisedFractions fractions(streams, 8, draw_tables);
    if (fractions.near(byte_block(fractions, out, n))) {
      for (int j = 0; j < n; ++j) {
        if (fractions.near_at(j)) settle_byte(streams, out, j);
      }
    }
    advance_streams(streams, n);
    out += n;
    count -= static_cast<std::size_t>(n);
  }
}

// Bits `first`..`first + count - 1` of a block as a word, bit 0 first.
// Built from the last draw down, so that each draw takes one shift and
// one add.
template <int kCount>
std::uint64_t bits_word(const RaisedFractions& fractions, int first, int count,
                        std::uint64_t& lowest) {
  std::uint64_t word = 0;
  const int total = kCount > 0 ? kCount : count;
#pragma GCC unroll 8
  for (int b = total - 1; b >= 0; --b) {
    const std::uint64_t f = fractions.at(first + b);
    word = word + word + (f >> 63);
    lowest = least(lowest, fractions.distance(f));
  }
  return word;
}

void draw_bits(StreamOffsets& streams, std::uint64_t* out, std::size_t count) {
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    const RaisedFractions fractions(streams, 1, draw_tables);
    std::uint64_t lowest = ~std::uint64_t{0};
    for (int first = 0; first < n; first += 64) {
      out[first / 64] = n - first >= 64
                            ? bits_word<64>(fractions, first, 64, lowest)
                            : bits_word<0>(fractions, first, n - first, lowest);
    }
    if (fractions.near(lowest)) {
      for (int j = 0; j < n; ++j) {
        if (fractions.near_at(j)) settle_bit(streams, out, j);
      }
    }
    advance_streams(streams, n);
    out += n / 64;
    count -= static_cast<std::size_t>(n);
  }
}

void draw_strided_bytes(const StreamOffsets& base, const StrideTables& tables,
                        std::uint8_t* out, std::size_t count) {
  const DrawTables& t = tables.tables;
  StreamOffsets streams = base;
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    const RaisedFractions fractions(streams, 8, t);
    if (fractions.near(byte_block(fractions, out, n))) {
      for (int j = 0; j < n; ++j) {
        if (!fractions.near_at(j)) continue;
        out[j] = static_cast<std::uint8_t>(settle_draw_at(streams, t, j, 256));
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
    for (int j = 0; j < n; ++j) out[j] = fraction_at(streams, j);
    advance_streams(streams, n);
    out += n;
    count -= static_cast<std::size_t>(n);
  }
}

bool separated(TupleBits& tuple, int k, int n) {
  if (small_enough_for_direct_test(k, n)) {
    return separated_directly(tuple, k, n);
  }
  transpose_rows(tuple, k, n);
  return separated_by_blocks<WordBlock>(tuple, k, n);
}

}  // namespace

const Kernels kPortableKernels = {
    .draw_bytes = draw_bytes,
    .draw_bits = draw_bits,
    .draw_fractions = draw_fractions,
    .draw_strided_bytes = draw_strided_bytes,
    .finish_packed = finish_packed_by_words,
    .lazy_min_width = 2,
    .fraction_error = kFraction64Error,
    .packed_generates = packed_generates_by_rows<separated>,
    .packed_verdicts = byte_row_verdicts,
    .flag_generates = flag_generates_by_rows<separated>};

}  // namespace core::engine
