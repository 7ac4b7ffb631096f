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
#include "runtime/random_source.h"

namespace core::engine {
namespace {

__extension__ typedef unsigned __int128 Wide;

// Tuples of at most a quarter of the reserve are drawn ahead, up to
// kMaxSeries of them at once.
constexpr std::size_t kReserveBits = 131072;

// The one buffer behind tuple_byte_draws and tuple_bit_draws: the largest tuple
// of either kind, and a word of scratch and read-ahead.
alignas(64) std::uint64_t buffer[kMaxTupleDraws / 64 + 8];

std::uint8_t* buffer_bytes() { return reinterpret_cast<std::uint8_t*>(buffer); }

enum class Kind { kNone, kBytes, kBits };

// The tuples drawn ahead: their kind and size, how many and which comes
// next, and the stream states after each (states[s][i] for
// stream s after tuple i).
struct Reserve {
  Kind kind = Kind::kNone;
  std::size_t per_tuple = 0;
  int tuples = 0;
  int next = 0;
  std::uint64_t number = 0;  // counts the reserves drawn
  std::uint32_t states[kStreams][kMaxSeries] = {};
};

Reserve reserve;

StreamStates reserved_states(int i) {
  return {{reserve.states[0][i], reserve.states[1][i], reserve.states[2][i]}};
}

// For tuples of `per_tuple` draws: multipliers[s][i] takes an offset of
// stream s to the end of tuple i (a to the power (i + 1) * per_tuple).
struct Series {
  std::size_t per_tuple = 0;
  std::uint32_t multipliers[kStreams][kMaxSeries] = {};
};

Series series;

void prepare_series(std::size_t per_tuple) {
  if (series.per_tuple == per_tuple) return;
  StreamOffsets step{};
  for (int i = 0; i < kStreams; ++i) {
    step.offset[i] = runtime::stream_power(i, per_tuple);
  }
  StreamOffsets power = step;
  for (int i = 0; i < kMaxSeries; ++i) {
    for (int s = 0; s < kStreams; ++s) {
      series.multipliers[s][i] = static_cast<std::uint32_t>(power.offset[s]);
    }
    multiply_streams(power, step);
  }
  series.per_tuple = per_tuple;
}

// True when the random source stands where the last tuple handed out left
// it, so that the next reserved tuple follows on.  A re-initialisation
// that is due runs here, as the next draw would run it.
[[gnu::always_inline]] inline bool reserve_continues(Kind kind,
                                                     std::size_t count) {
  if (reserve.kind != kind || reserve.per_tuple != count || reserve.next == 0 ||
      reserve.next >= reserve.tuples) {
    return false;
  }
  const int last = reserve.next - 1;
  return runtime::take_streams() == reserved_states(last);
}

// Draws `tuples` tuples of `count` into the buffer and notes the state
// after each.  Kept out of line: the common path only hands out.
[[gnu::noinline]] void fill_reserve(Kind kind, std::size_t count, int tuples) {
  prepare_series(count);
  const StreamOffsets base = take_streams();
  StreamOffsets streams = base;
  const std::size_t total = count * static_cast<std::size_t>(tuples);
  const Kernels& path = kernels();
  if (kind == Kind::kBytes) {
    path.draw_bytes(streams, buffer_bytes(), total);
  } else {
    path.draw_bits(streams, buffer, total);
  }
  path.tuple_states(base, series.multipliers, tuples, reserve.states);
  reserve.kind = kind;
  reserve.per_tuple = count;
  reserve.tuples = tuples;
  reserve.next = 0;
  ++reserve.number;
}

// The index of the reserved tuple to hand out, drawing the reserve first
// when needed; -1 when the tuple is too large to reserve.
[[gnu::always_inline]] inline int next_reserved(Kind kind, std::size_t count) {
  if (!reserve_continues(kind, count)) {
    const std::size_t bits_per_draw = kind == Kind::kBytes ? 8 : 1;
    const std::size_t fits = kReserveBits / (count * bits_per_draw);
    if (fits < 4) {
      reserve.kind = Kind::kNone;
      return -1;
    }
    fill_reserve(kind, count,
                 fits < kMaxSeries ? static_cast<int>(fits) : kMaxSeries);
  }
  const int i = reserve.next++;
  runtime::set_streams(reserved_states(i));
  return i;
}

}  // namespace

const std::uint8_t* tuple_byte_draws(std::size_t count, ByteSeries& series) {
  const int i = next_reserved(Kind::kBytes, count);
  if (i < 0) {
    draw_bytes(buffer_bytes(), count);
    series = {buffer_bytes(), 0, 0, reserve.number};
    return buffer_bytes();
  }
  series = {buffer_bytes(), reserve.tuples, i, reserve.number};
  return buffer_bytes() + count * static_cast<std::size_t>(i);
}

const std::uint64_t* tuple_bit_draws(std::size_t count, int& first_bit) {
  const int i = next_reserved(Kind::kBits, count);
  if (i < 0) {
    draw_bits(buffer, count);
    first_bit = 0;
    return buffer;
  }
  const std::size_t first = count * static_cast<std::size_t>(i);
  first_bit = static_cast<int>(first % 64);
  return buffer + first / 64;
}

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
