// Jumps along the draw streams; see random_streams.h.
#include "runtime/random_streams.h"

#include <cstdint>

namespace runtime {
namespace {

constexpr bool fixed_points_hold() {
  for (int i = 0; i < kStreams; ++i) {
    const std::uint64_t p = kStreamFixedPoint[i];
    if (kStreamMultiplier[i] * (p + 1) % kStreamModulus[i] != p) return false;
  }
  return true;
}
static_assert(fixed_points_hold());

}  // namespace

std::uint32_t stream_power(int i, std::uint64_t count) {
  const std::uint64_t m = kStreamModulus[i];
  std::uint64_t result = 1;
  std::uint64_t base = kStreamMultiplier[i];
  // Products stay below m^2 < 2^40.
  for (; count > 0; count >>= 1) {
    if (count & 1) result = result * base % m;
    base = base * base % m;
  }
  return static_cast<std::uint32_t>(result);
}

StreamStates advance_streams(const StreamStates& s, std::uint64_t count) {
  if (count == 0) return s;
  StreamStates reached{};
  for (int i = 0; i < kStreams; ++i) {
    const std::uint64_t m = kStreamModulus[i];
    const std::uint64_t p = kStreamFixedPoint[i];
    const std::uint64_t offset = (s.state[i] % m + m - p) % m;
    reached.state[i] =
        static_cast<std::uint32_t>((offset * stream_power(i, count) + p) % m);
  }
  return reached;
}

}  // namespace runtime
