// Bulk draws through the selected kernels; see fast_draws.h.  General
// bounds scale the kernels' fractions here and send every draw whose
// scaled fraction lies within the error margin of an integer to the exact
// extended-precision steps.
#include "core/engine/fast_draws.h"

#include <cstddef>
#include <cstdint>

#include "core/engine/dispatch.h"
#include "core/engine/draw_streams.h"
#include "core/engine/kernels.h"

namespace core::engine {
namespace {

__extension__ typedef unsigned __int128 Wide;

}  // namespace

void draw_bytes(std::uint8_t* out, std::size_t count) {
  if (count == 0) return;
  StreamOffsets streams = take_streams();
  kernels().draw_bytes(streams, out, count);
  return_streams(streams);
}

void draw_bits(std::uint64_t* out, std::size_t count) {
  if (count == 0) return;
  StreamOffsets streams = take_streams();
  kernels().draw_bits(streams, out, count);
  return_streams(streams);
}

void draw_below(std::int32_t bound, std::int32_t* out, std::size_t count) {
  if (count == 0) return;
  const Kernels& path = kernels();
  const std::int64_t signed_bound = bound;
  const auto magnitude =
      static_cast<std::uint64_t>(bound < 0 ? -signed_bound : signed_bound);
  // A scaled fraction within `margin` of an integer (units of 2^-64) may
  // truncate differently from the extended product; past 2^63 every draw
  // counts as near.
  const Wide wide_margin =
      boundary_margins ? Wide{magnitude} * path.fraction_error : 0;
  const bool always_near = wide_margin >= (Wide{1} << 63);
  const auto margin = static_cast<std::uint64_t>(wide_margin);

  StreamOffsets streams = take_streams();
  std::uint64_t fractions[kBlock + 8];
  while (count > 0) {
    const int n = count < kBlock ? static_cast<int>(count) : kBlock;
    const StreamOffsets base = streams;
    path.draw_fractions(streams, fractions, static_cast<std::size_t>(n));
    for (int j = 0; j < n; ++j) {
      const Wide product = Wide{fractions[j]} * magnitude;
      const auto whole = static_cast<std::int64_t>(product >> 64);
      const auto rest = static_cast<std::uint64_t>(product);
      if (always_near || rest + margin < 2 * margin) {
        out[j] = settle_draw(base, j + 1, bound);
      } else {
        out[j] = static_cast<std::int32_t>(bound < 0 ? -whole : whole);
      }
    }
    out += n;
    count -= static_cast<std::size_t>(n);
  }
  return_streams(streams);
}

}  // namespace core::engine
