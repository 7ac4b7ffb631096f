// The rest of a lazily drawn packed tuple (kernels.h, finish_packed) for
// the paths without vectors wide enough to hold a tuple's columns: plain
// 64-bit words, exact on every 64-bit platform.  Included by the kernel
// files only, with internal linkage on purpose, as kernel_common.h.
#pragma once

#include <cstdint>

#include "core/engine/draw_streams.h"
#include "core/engine/kernel_common.h"

namespace core::engine {
namespace {  // NOLINT(build/namespaces): see kernel_common.h

// 0x80 in each byte of x that is zero, 0 in the others; no carry crosses
// a byte.
inline std::uint64_t zero_bytes(std::uint64_t x) {
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  return ~(((x & kLow7) + kLow7) | x) & ~kLow7;
}

inline std::uint64_t turn_bytes(std::uint64_t x, int s) {
  return s == 0 ? x : (x << s) | (x >> (64 - s));
}

// The tuple's byte columns, word (o, c) holding byte c of rows 8o..8o+7
// turned by transpose8 (byte i: the column of element 8c + i over those
// rows), and the test of one new byte column against itself and those
// before it: both directions of every pair it takes part in, each word
// turned against another by s bytes.  A column lies inside another when
// it does so in every octet of rows.
template <int kOctets>
class WordColumns {
 public:
  std::uint64_t& at(int o, int c) { return words_[o][c]; }

  // Whether byte column b passes against itself and the columns before it.
  bool column_passes(int b) const {
    std::uint64_t inside = 0;
#pragma GCC unroll 4
    for (int s = 8; s <= 32; s += 8) {
      std::uint64_t back = ~std::uint64_t{0};
      std::uint64_t on = ~std::uint64_t{0};
      for (int o = 0; o < kOctets; ++o) {
        const std::uint64_t mine = words_[o][b];
        const std::uint64_t turned = turn_bytes(mine, s);
        back &= zero_bytes(turned & ~mine);
        on &= zero_bytes(mine & ~turned);
      }
      // By four bytes both ways are the same pairs.
      inside |= back | (s == 32 ? 0 : on);
    }
    for (int c = 0; c < b; ++c) {
#pragma GCC unroll 8
      for (int s = 0; s < 64; s += 8) {
        std::uint64_t held = ~std::uint64_t{0};
        std::uint64_t holds = ~std::uint64_t{0};
        for (int o = 0; o < kOctets; ++o) {
          const std::uint64_t mine = words_[o][b];
          const std::uint64_t turned = turn_bytes(words_[o][c], s);
          held &= zero_bytes(turned & ~mine);
          holds &= zero_bytes(mine & ~turned);
        }
        inside |= held | holds;
      }
    }
    return inside == 0;
  }

 private:
  std::uint64_t words_[kOctets][8];  // those of the bytes drawn are set
};

// Byte b of row r of the tuple whose draws follow `start`, from the
// column tables' 52-bit entries, the margin folded into the constant as
// on the AVX-512 path: a fraction within it of a boundary then lies just
// above one, where the bits below the result are all but zero, and is
// settled by the extended steps.
inline std::uint8_t column_byte(const StreamOffsets& start,
                                const ColumnTables& tables, int b, int r) {
  constexpr int kFractionBits = 52;
  constexpr std::uint64_t kMargin = std::uint64_t{1} << 20;
  const std::uint64_t margin = boundary_margins ? kMargin : 0;
  const std::uint64_t spread =
      ((std::uint64_t{1} << (kFractionBits - 8)) - 1) & ~(2 * margin - 1);
  const std::uint64_t f = draw_tables.fixed52 + margin +
                          start.offset[0] * tables.fraction52[0][b][r] +
                          start.offset[1] * tables.fraction52[1][b][r] +
                          start.offset[2] * tables.fraction52[2][b][r];
  if (margin != 0 && (f & spread) == 0) {
    return static_cast<std::uint8_t>(settle_column_byte(start, tables, b, r));
  }
  return static_cast<std::uint8_t>(f >> (kFractionBits - 8));
}

// finish_packed (kernels.h) in words, for up to 8 * kOctets rows.
template <int kOctets>
bool finish_in_words(const StreamOffsets& start, const ColumnTables& tables,
                     const std::uint8_t* known, int drawn) {
  const int k = tables.k;
  WordColumns<kOctets> columns;
  for (int o = 0; o < kOctets; ++o) {
    for (int c = 0; c < drawn; ++c) {
      std::uint64_t word = 0;
      for (int r = 8 * o; r < k && r < 8 * o + 8; ++r) {
        word |= std::uint64_t{known[r * drawn + c]} << (8 * (r - 8 * o));
      }
      columns.at(o, c) = transpose8(word);
    }
  }
  for (int b = drawn; b < tables.width; ++b) {
    for (int o = 0; o < kOctets; ++o) {
      std::uint64_t word = 0;
      for (int r = 8 * o; r < k && r < 8 * o + 8; ++r) {
        word |= std::uint64_t{column_byte(start, tables, b, r)}
                << (8 * (r - 8 * o));
      }
      columns.at(o, b) = transpose8(word);
    }
    if (!columns.column_passes(b)) return false;
  }
  return true;
}

[[maybe_unused]] bool finish_packed_by_words(const StreamOffsets& start,
                                             const ColumnTables& tables,
                                             const std::uint8_t* known,
                                             int drawn) {
  const int k = tables.k;
  if (k <= 8) return finish_in_words<1>(start, tables, known, drawn);
  if (k <= 16) return finish_in_words<2>(start, tables, known, drawn);
  if (k <= 32) return finish_in_words<4>(start, tables, known, drawn);
  return finish_in_words<8>(start, tables, known, drawn);
}

}  // namespace
}  // namespace core::engine
