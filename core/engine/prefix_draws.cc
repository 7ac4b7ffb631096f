// Row-prefix draws; see prefix_draws.h.
#include "core/engine/prefix_draws.h"

#include <cstddef>
#include <cstdint>

namespace core::engine {
namespace {

// The expected number of ordered pairs without a witness in the first
// rows that the prefix may leave: a row witnesses a pair one time in four
// for random tuples, so k' rows leave n(n - 1)(3/4)^k' of them, and about
// that share of tuples needs its other rows drawn and the whole test.
constexpr double kUnwitnessedPairs = 0.05;

// Draws `count` draws after `streams` as draws `from`.. of the tuple in
// the workspace (for flags `from` is a multiple of 64).
void draw_rows(const TupleShape& shape, const Kernels& path,
               StreamOffsets& streams, Workspace& workspace, std::size_t from,
               std::size_t count) {
  if (shape.packed) {
    path.draw_bytes(streams,
                    reinterpret_cast<std::uint8_t*>(workspace.draws) + from,
                    count);
  } else {
    path.draw_bits(streams, workspace.draws + from / 64, count);
  }
}

bool generates(const TupleShape& shape, const Kernels& path, int k,
               Workspace& workspace) {
  if (shape.packed) {
    return path.packed_generates(
        reinterpret_cast<const std::uint8_t*>(workspace.draws), k, shape.width,
        workspace.tuple);
  }
  return path.flag_generates(workspace.draws, 0, k, shape.width,
                             workspace.tuple);
}

}  // namespace

int prefix_rows_for(const TupleShape& shape) {
  const int n = shape.packed ? 8 * shape.width : shape.width;
  if (n <= 64) return 0;
  double unwitnessed = static_cast<double>(n) * (n - 1);
  int rows = 0;
  while (rows < shape.k && unwitnessed >= kUnwitnessedPairs) {
    unwitnessed *= 0.75;
    ++rows;
  }
  // A prefix of more than three quarters of the rows saved less than the
  // tuples drawn one by one cost (n = 72, k = 50 on two paths of three).
  return 4 * rows <= 3 * shape.k ? rows : 0;
}

void evaluate_by_prefix(Workspace& workspace, const TupleShape& shape,
                        const Kernels& path, StreamOffsets& streams, int tuples,
                        int prefix, std::uint8_t* verdicts) {
  const std::size_t first = static_cast<std::size_t>(prefix) * shape.width;
  const std::size_t rest = shape.draws() - first;
  const StreamOffsets past_rest = factors_ahead(rest);
  // Where the first rows end mid-word, the other flags would not continue
  // them in place: the tuple is drawn again whole.
  const bool continues = shape.packed || first % 64 == 0;
  for (int t = 0; t < tuples; ++t) {
    StreamOffsets at = streams;
    draw_rows(shape, path, at, workspace, 0, first);
    bool verdict = generates(shape, path, prefix, workspace);
    if (verdict) {
      multiply_streams(at, past_rest);
    } else {
      if (continues) {
        draw_rows(shape, path, at, workspace, first, rest);
      } else {
        at = streams;
        draw_rows(shape, path, at, workspace, 0, shape.draws());
      }
      verdict = generates(shape, path, shape.k, workspace);
    }
    verdicts[t] = verdict ? 1 : 0;
    streams = at;
  }
}

}  // namespace core::engine
