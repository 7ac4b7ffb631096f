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

using runtime::kStreamModulus;
constexpr std::uint64_t kProduct =
    std::uint64_t{kStreamModulus[0]} * kStreamModulus[1] * kStreamModulus[2];

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
  Wide sum = 0;
  for (int i = 0; i < 3; ++i)
    sum += Wide{draw.state[i]} * (kProduct / kStreamModulus[i]);
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
    Draw draw{};
    for (int i = 0; i < 3; ++i) {
      const std::uint64_t m = kStreamModulus[i];
      const std::uint64_t cofactor = (kProduct / m) % m;
      draw.state[i] = static_cast<std::uint32_t>(Wide{residue % m} *
                                                 inverse(cofactor, m) % m);
    }
    draws.push_back(draw);
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
  Draw before{};
  for (int i = 0; i < 3; ++i) {
    const std::uint64_t m = kStreamModulus[i];
    before.state[i] = static_cast<std::uint32_t>(
        (draw.state[i] * inverse(runtime::kStreamMultiplier[i], m) + m - 1) %
        m);
  }
  runtime::set_streams(before);
}

}  // namespace boundary_states
