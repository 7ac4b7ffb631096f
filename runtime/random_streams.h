// The three draw streams of the random source: their constants, their
// states after a draw, one step and a jump of any number of steps.  The
// plain source (random_source.h), the fast engine and the tests all step
// the streams through this file; the seed stream that rebuilds them after
// a change of seed belongs to the plain source alone.
#pragma once

#include <cstdint>

namespace runtime {

inline constexpr int kStreams = 3;
// Stream i steps as s -> a_i (s + 1) mod m_i; a draw is the fractional part
// of the sum of s_i / m_i over the three streams.
inline constexpr std::uint32_t kStreamModulus[kStreams] = {500009, 600011,
                                                           765241};
inline constexpr std::uint32_t kStreamMultiplier[kStreams] = {706, 774, 871};
// The one state p_i with a_i (p_i + 1) = p_i (mod m_i).  The offset
// d = s - p of a state then steps as d -> a d (mod m), so j steps are
// d -> a^j d: any state ahead is one multiplication away.
inline constexpr std::uint32_t kStreamFixedPoint[kStreams] = {265252, 242953,
                                                              528631};

// The states of the three streams as a draw leaves them: state[0] is the
// seed (the first stream), state[1] and state[2] the second and third.
// Each lies below its modulus, except the seed right after a
// re-initialisation, which may be a seed-stream value up to 1000002.
struct StreamStates {
  std::uint32_t state[kStreams];

  friend bool operator==(const StreamStates&, const StreamStates&) = default;
};

// The states one draw later.  In unsigned 32 bits as the plain source has
// always computed it: (1000002 + 1) * 871 stays below 2^32.
constexpr StreamStates step_streams(const StreamStates& s) {
  StreamStates next{};
  for (int i = 0; i < kStreams; ++i) {
    next.state[i] = (s.state[i] + 1) * kStreamMultiplier[i] % kStreamModulus[i];
  }
  return next;
}

// The states `count` draws later, for any count (0 gives `s` itself).
StreamStates advance_streams(const StreamStates& s, std::uint64_t count);

// a_i^count mod m_i: the factor that moves stream i's offset `count`
// draws ahead.
std::uint32_t stream_power(int i, std::uint64_t count);

}  // namespace runtime
