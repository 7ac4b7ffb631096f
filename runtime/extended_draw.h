// The result of one random_below draw computed with integers only: every
// quotient, sum and product is rounded to a 64-bit significand, to nearest
// with ties to even, exactly as the 80-bit extended format rounds.  It
// decides the rare draws the fast engine cannot settle on its own, on any
// platform, whatever its long double is.
#pragma once

#include <cstdint>

#include "runtime/random_streams.h"

namespace runtime {

// What random_below(bound) returns when the three streams have just
// stepped to `reached` (each below its modulus).  Every bound is accepted,
// as random_below accepts it.  Changes nothing.
std::int32_t extended_draw_below(const StreamStates& reached,
                                 std::int32_t bound);

}  // namespace runtime
