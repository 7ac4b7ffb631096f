// The random source: the three draw streams, the seed stream that rebuilds
// the second and third states after a change of seed, and the scaling of a
// draw to a bound.  Owns the program-wide random state; the tick count used
// for seeding comes from the platform.
#include "runtime/random_source.h"

#include <cmath>
#include <cstdint>

#include "platform/clock.h"

namespace runtime {

RandomState random_state;

namespace {

constexpr std::uint32_t kSeedMultiplier = 998;
constexpr std::uint32_t kSeedModulus = 1000003;
constexpr std::uint32_t kSeedDrawBound = 65000;

constexpr long double kDivisor1 = kStreamModulus[0];
constexpr long double kDivisor2 = kStreamModulus[1];
constexpr long double kDivisor3 = kStreamModulus[2];

void reinitialise_streams();

// Re-initialises when the seed was changed from outside, or before the
// very first draw of the program.
void check_reseed() {
  RandomState& s = random_state;
  if (s.reinit_pending || s.seed != s.last_seed) {
    s.reinit_pending = false;
    s.last_seed = s.seed;
    reinitialise_streams();
  }
}

// One step of the seed stream, reduced below m (0 when m is 0).  Its own
// check_reseed is what nests a second re-initialisation when
// reinitialise_streams has just reduced a seed of kSeedModulus or more.
std::uint32_t seed_draw_below(std::uint32_t m) {
  check_reseed();
  RandomState& s = random_state;
  s.seed = ((s.seed + 1) * kSeedMultiplier) % kSeedModulus;
  s.last_seed = s.seed;
  return m == 0 ? 0 : s.seed % m;
}

// Derives the second and third stream states from the seed.  The products
// stay below 65000 * 65000, inside unsigned 32 bits.
void reinitialise_streams() {
  RandomState& s = random_state;
  s.seed %= kSeedModulus;
  const std::uint32_t a = seed_draw_below(kSeedDrawBound);
  const std::uint32_t b = seed_draw_below(kSeedDrawBound);
  s.stream2 = (a * b) % kStreamModulus[1];
  const std::uint32_t c = seed_draw_below(kSeedDrawBound);
  const std::uint32_t d = seed_draw_below(kSeedDrawBound);
  s.stream3 = (c * d) % kStreamModulus[2];
}

}  // namespace

void seed_from_ticks() { random_state.seed = platform::read_tick_count(); }

StreamStates take_streams() {
  check_reseed();
  const RandomState& s = random_state;
  return {{s.seed, s.stream2, s.stream3}};
}

void set_streams(const StreamStates& states) {
  RandomState& s = random_state;
  s.reinit_pending = false;
  s.seed = states.state[0];
  s.last_seed = states.state[0];
  s.stream2 = states.state[1];
  s.stream3 = states.state[2];
}

long double random_real() {
  check_reseed();
  RandomState& s = random_state;
  const StreamStates next = step_streams({{s.seed, s.stream2, s.stream3}});
  s.seed = next.state[0];
  s.last_seed = s.seed;
  s.stream2 = next.state[1];
  s.stream3 = next.state[2];

  // One rounding per operation, in this order; regrouping would change the
  // last bit of some draws.  Only where long double is the 80-bit format
  // does this give the programs' sequence; the programs draw through
  // core/engine, which computes the same steps exactly on any platform.
  long double x = static_cast<long double>(s.seed) / kDivisor1;
  const long double q2 = static_cast<long double>(s.stream2) / kDivisor2;
  x = x + q2;
  const long double q3 = static_cast<long double>(s.stream3) / kDivisor3;
  x = x + q3;
  // x lies in [0, 3); removing the integer part is exact.
  return x - std::trunc(x);
}

std::int32_t random_below(std::int32_t bound) {
  const long double p = random_real() * static_cast<long double>(bound);
  // |p| < 2^31, so the conversion is in range; the result keeps the low
  // 32 bits, which for every such p is the value itself.
  const auto wide = static_cast<std::int64_t>(p);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(wide));
}

}  // namespace runtime
