// Series of tuples drawn together and tested: the draws of as many tuples
// as fit a small buffer come from the kernels in one call, and the
// verdicts follow, in bulk where the path can.  A thread that tests tuples
// brings a workspace of its own; nothing here is shared between calls.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/engine/draw_streams.h"
#include "core/engine/kernels.h"

namespace core::engine {

// The shape of the tuples of a run: packed tuples of k rows of `width`
// bytes (random_below(256) draws), or flag tuples of k rows of `width`
// flags (random_below(2) draws); k in 1..120, width in 1..250 or 1..2000.
struct TupleShape {
  bool packed = false;
  int k = 0;
  int width = 0;

  std::size_t draws() const { return static_cast<std::size_t>(k) * width; }
  friend bool operator==(const TupleShape&, const TupleShape&) = default;
};

// The largest tuple's draws: 120 components of 250 bytes or 2000 flags.
inline constexpr std::size_t kMaxTupleDraws = 240000;

// Lazy draws suit packed tuples of up to this many components, which the
// screen of the first bytes tests in bulk; with more, hardly a tuple fails
// on its first elements.
inline constexpr int kLazyMaxComponents = 64;
// ... and tuples that need on average less than this share of their
// draws: the draws a byte a row cost more than draws in a row.
inline constexpr double kLazyShare = 0.6;

// Jumps of whole tuples of one size: power[i][t] is a^(t * per_tuple)
// for stream i, which moves offsets t tuples ahead.
struct TupleJumps {
  std::size_t per_tuple = 0;
  std::uint32_t power[kStreams][kMaxSeries + 1];
};

// Fills `jumps` for tuples of `per_tuple` draws, unless they are for that
// size already.
void prepare_tuple_jumps(std::size_t per_tuple, TupleJumps& jumps);

// Moves `streams` on by `tuples` (0..kMaxSeries) tuples of the prepared
// size.
void jump_tuples(const TupleJumps& jumps, StreamOffsets& streams, int tuples);

// A series' draws stay within the first-level cache while they are tested.
inline constexpr std::size_t kSeriesBits = 131072;

// How a thread draws the series of the last shape and path it was asked
// about: lazy_draws_suit, and how many bytes of every row come first.
struct LazyPlan {
  TupleShape shape;
  int min_width = 0;
  int (*verdicts)(const std::uint8_t*, int, int, int, std::uint8_t*) = nullptr;
  bool lazy = false;
  int leading = 1;  // bytes of every row drawn first
};

// A thread's room for testing: the draws of one series (and read-ahead
// room past them) and the tuple store of the generation test; for lazy
// draws the stride tables (of the first byte of every row, and of the
// first two where those come first), the column tables, the jumps to
// each tuple of a series, one tuple's draws, the same with its rows cut
// short, and the first two bytes of every row.
struct Workspace {
  alignas(64) std::uint64_t draws[kMaxTupleDraws / 64 + 8];
  TupleBits tuple;
  StrideTables stride;
  StrideTables first_two;
  ColumnTables columns;
  TupleJumps jumps;
  alignas(64) std::uint8_t single[kLazyMaxComponents * 250 + 64];
  alignas(64) std::uint8_t narrow[kLazyMaxComponents * 250 + 64];
  // The first two bytes of every row of a lazy series, where they come
  // first; a series of rows of two or more bytes has at most
  // kSeriesBits / 16 rows.
  alignas(64) std::uint8_t pairs[kSeriesBits / 8 + 64];
  LazyPlan plan;
};

// How many tuples of `shape` are drawn together: as many as fit 16 KB of
// draws, up to kMaxSeries; one when a tuple alone is larger.
int series_tuples(const TupleShape& shape);

// Verdicts, 1 or 0, of the `tuples` tuples of `shape` whose draws follow
// `streams`, by `path`'s kernels, written to verdicts[0..tuples-1] (and up
// to 3 bytes more); `streams` is left at the last draw of the last tuple.
// Lazily where lazy_draws_suit(shape), or by row prefixes where
// prefix_rows_for(shape) (prefix_draws.h): draws that cannot change a
// verdict are not drawn, and the verdicts are the same.
void evaluate_tuples(Workspace& workspace, const TupleShape& shape,
                     const Kernels& path, StreamOffsets& streams, int tuples,
                     std::uint8_t* verdicts);

// Packed tuples with rows as wide as `path` wants them (lazy_min_width),
// at most kLazyMaxComponents rows, and likely to fail on few elements:
// the first byte of every row decides 98.6 % of them at n = 16, k = 8,
// and the first two 91 % at n = 64, k = 16.
bool lazy_draws_suit(const TupleShape& shape, const Kernels& path);

// The same, every draw drawn: the reference of the lazy draws' tests.
void evaluate_tuples_fully(Workspace& workspace, const TupleShape& shape,
                           const Kernels& path, StreamOffsets& streams,
                           int tuples, std::uint8_t* verdicts);

}  // namespace core::engine
