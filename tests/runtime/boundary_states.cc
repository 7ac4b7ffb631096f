// Near-boundary draws for tests; see boundary_states.h.  The sum of the
// three quotients is N / D with N = s1 m2 m3 + s2 m1 m3 + s3 m1 m2, and a
// residue of N modulo D gives each state back modulo its own modulus.
#include "tests/runtime/boundary_states.h"

#include <cstdint>
#include <vector>

#include "runtime/random_source.h"

namespace boundary_states {
namespace {

__extension__ typedef unsigned __int128 Wide;
__extension__ typedef __int128 SignedWide;

constexpr std::uint64_t kModulus[3] = {500009, 600011, 765241};
constexpr std::uint64_t kMultiplier[3] = {706, 774, 871};
constexpr std::uint64_t kProduct = kModulus[0] * kModulus[1] * kModulus[2];

// The inverse of a modulo m (a and m coprime).
std::uint64_t inverse(std::uint64_t a, std::uint64_t m) {
  SignedWide t = 0, next_t = 1, r = m, next_r = a % m;
  while (next_r != 0) {
    const SignedWide q = r / next_r;
    SignedWide x = t - q * next_t;
    t = next_t;
    next_t = x;
    x = r - q * next_r;
    r = next_r;
    next_r = x;
  }
  if (t < 0) t += m;
  return static_cast<std::uint64_t>(t);
}

std::uint64_t numerator(const Draw& draw) {
  const std::uint64_t states[3] = {draw.seed, draw.stream2, draw.stream3};
  Wide sum = 0;
  for (int i = 0; i < 3; ++i) sum += Wide{states[i]} * (kProduct / kModulus[i]);
  return static_cast<std::uint64_t>(sum % kProduct);
}

}  // namespace

std::vector<Draw> draws_near_boundaries(std::int64_t bound, int reach) {
  const std::uint64_t magnitude =
      static_cast<std::uint64_t>(bound < 0 ? -bound : bound) % kProduct;
  const std::uint64_t bound_inverse = inverse(magnitude, kProduct);
  std::vector<Draw> draws;
  for (int t = -reach; t <= reach; ++t) {
    if (t == 0) continue;
    const std::uint64_t target =
        t > 0 ? static_cast<std::uint64_t>(t)
              : kProduct - static_cast<std::uint64_t>(-t);
    const auto residue =
        static_cast<std::uint64_t>(Wide{target} * bound_inverse % kProduct);
    std::uint32_t states[3];
    for (int i = 0; i < 3; ++i) {
      const std::uint64_t cofactor = (kProduct / kModulus[i]) % kModulus[i];
      states[i] = static_cast<std::uint32_t>(Wide{residue % kModulus[i]} *
                                             inverse(cofactor, kModulus[i]) %
                                             kModulus[i]);
    }
    draws.push_back({states[0], states[1], states[2]});
  }
  return draws;
}

std::int32_t exact_below(const Draw& draw, std::int32_t bound) {
  const std::int64_t signed_bound = bound;
  const auto magnitude =
      static_cast<std::uint64_t>(bound < 0 ? -signed_bound : signed_bound);
  const auto whole =
      static_cast<std::int64_t>(Wide{numerator(draw)} * magnitude / kProduct);
  return static_cast<std::int32_t>(bound < 0 ? -whole : whole);
}

void prepare_draw(const Draw& draw) {
  // One step back on each stream: s = a (p + 1) gives p = s / a - 1.
  const std::uint64_t states[3] = {draw.seed, draw.stream2, draw.stream3};
  std::uint32_t before[3];
  for (int i = 0; i < 3; ++i) {
    const std::uint64_t m = kModulus[i];
    before[i] = static_cast<std::uint32_t>(
        (states[i] * inverse(kMultiplier[i], m) + m - 1) % m);
  }
  runtime::RandomState& s = runtime::random_state;
  s = runtime::RandomState{};
  s.reinit_pending = false;
  s.seed = before[0];
  s.last_seed = before[0];
  s.stream2 = before[1];
  s.stream3 = before[2];
}

}  // namespace boundary_states
