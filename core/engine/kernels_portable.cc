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

std::uint64_t fraction_at(const StreamOffsets& base, int j,
                          const DrawTables& t = draw_tables) {
  return t.fixed64 + base.offset[0] * t.fraction64[0][j] +
         base.offset[1] * t.fraction64[1][j] +
         base.offset[2] * t.fraction64[2][j];
}

// True when `fraction` lies within `margin` of a multiple of 2^(64 -
// bits), where the top `bits` bits change: shifting them out leaves the
// distance to the nearest multiple, scaled by 2^bits.
bool near_boundary(std::uint64_t fraction, int bits, std::uint64_t margin) {
  return (fraction << bits) + (margin << bits) < (margin << (bits + 1));
}

void draw_bytes(StreamOffsets& streams, std::uint8_t* out, std::size_t count) {
  const std::uint64_t margin = boundary_margins ? kFraction64Error : 0;
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    bool near = false;
    for (int j = 0; j < n; ++j) {
      const std::uint64_t f = fraction_at(streams, j);
      out[j] = static_cast<std::uint8_t>(f >> 56);
      near |= near_boundary(f, 8, margin);
    }
    if (near) {
      for (int j = 0; j < n; ++j) {
        if (near_boundary(fraction_at(streams, j), 8, margin))
          settle_byte(streams, out, j);
      }
    }
    advance_streams(streams, n);
    out += n;
    count -= static_cast<std::size_t>(n);
  }
}

void draw_bits(StreamOffsets& streams, std::uint64_t* out, std::size_t count) {
  const std::uint64_t margin = boundary_margins ? kFraction64Error : 0;
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    bool near = false;
    for (int first = 0; first < n; first += 64) {
      const int last = n - first < 64 ? n - first : 64;
      std::uint64_t word = 0;
      for (int b = 0; b < last; ++b) {
        const std::uint64_t f = fraction_at(streams, first + b);
        word |= (f >> 63) << b;
        near |= near_boundary(f, 1, margin);
      }
      out[first / 64] = word;
    }
    if (near) {
      for (int j = 0; j < n; ++j) {
        if (near_boundary(fraction_at(streams, j), 1, margin))
          settle_bit(streams, out, j);
      }
    }
    advance_streams(streams, n);
    out += n / 64;
    count -= static_cast<std::size_t>(n);
  }
}

void draw_strided_bytes(const StreamOffsets& base, const StrideTables& tables,
                        std::uint8_t* out, std::size_t count) {
  const std::uint64_t margin = boundary_margins ? kFraction64Error : 0;
  const DrawTables& t = tables.tables;
  StreamOffsets streams = base;
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    for (int j = 0; j < n; ++j) {
      const std::uint64_t f = fraction_at(streams, j, t);
      out[j] =
          near_boundary(f, 8, margin)
              ? static_cast<std::uint8_t>(settle_draw_at(streams, t, j, 256))
              : static_cast<std::uint8_t>(f >> 56);
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
