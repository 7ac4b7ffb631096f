// Stream states whose draw lies next to a boundary of random_below, found
// by the Chinese remainder theorem, for the tests of the exact extended
// steps and of the engine's margins.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/random_streams.h"

namespace boundary_states {

// The three stream states a draw has just stepped to.
using Draw = runtime::StreamStates;

// Draws whose exact scaled value bound * (sum of state / modulus, modulo
// 1) lies t / D from an integer, for every t with 0 < |t| <= reach, where
// D = 500009 * 600011 * 765241.  bound must be non-zero.
std::vector<Draw> draws_near_boundaries(std::int64_t bound, int reach);

// floor(|bound| * fraction) with the sign of bound: what random_below
// would return if its real arithmetic were exact.
std::int32_t exact_below(const Draw& draw, std::int32_t bound);

// Sets the random source so that its next draw steps to `draw`.
void prepare_draw(const Draw& draw);

}  // namespace boundary_states
