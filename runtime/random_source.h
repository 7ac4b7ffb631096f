// The random source: three affine congruential streams whose scaled sum,
// taken modulo 1, is the random real; a fourth stream derives the second
// and third states from the seed whenever the seed was changed from
// outside.  Real arithmetic is 80-bit extended, in a fixed order, so the
// sequence is the same on every machine.  One program-wide state, which
// code outside this file takes and sets only through take_streams and
// set_streams; the streams' constants and steps are in random_streams.h.
#pragma once

#include <cstdint>

#include "runtime/random_streams.h"

namespace runtime {

struct RandomState {
  std::uint32_t seed = 0;       // also the state of the first stream
  std::uint32_t last_seed = 0;  // the seed as the generator last left it
  bool reinit_pending = true;   // forces a re-initialisation at next draw
  std::uint32_t stream2 = 0;
  std::uint32_t stream3 = 0;
};

// The program's one random state; starts as RandomState{}.
extern RandomState random_state;

// Sets the seed to the platform's tick count; the next draw notices it.
void seed_from_ticks();

// Runs now the re-initialisation that the next draw would start with, if
// one is due, and returns the stream states the next draw steps from.
StreamStates take_streams();

// Leaves the random state as draws that reached `states` leave it (the
// seed is also the last seed, no re-initialisation pending): the bulk
// draws' way of handing the streams back.
void set_streams(const StreamStates& states);

// A real in [0, 1); advances each of the three streams by one step, after
// a re-initialisation where one is due.
long double random_real();

// One random_real scaled by `bound` and truncated toward zero: 0..bound-1
// for every bound from 1 to 2147483647.  Bound 0 gives 0 and a negative
// bound bound+1..0; every call consumes one draw, whatever the bound.
std::int32_t random_below(std::int32_t bound);

}  // namespace runtime
