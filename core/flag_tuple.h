// The flag tuple store: component A_r as n one-byte flags, its random
// filling and the element-against-element generation test.
#pragma once

#include <cstdint>

#include "core/parameters.h"

namespace core::flags {

// Rows 1..120 and columns 1..2000, both counted from 1: flag (r, x) is
// store[r - 1][x - 1], 1 present, 0 absent.  Zero at start.
extern std::uint8_t store[kMaxComponents][kMaxElements];

// Overwrites rows 1..k, columns 1..n with random_below(2) draws, row by
// row, first column first: k * n draws.  Does nothing, and draws nothing,
// when k or n is below 1 or beyond the table.
void fill_tuple();

// True when the components generate B_n: for every element x some component
// contains x, and for every other element y some component containing x
// misses y.  Stops after the first element that fails.  The dialogue keeps
// n in 3..2000 and k in 3..120; k or n below 1 or beyond the table answers
// false without reading the store.
bool test_tuple_flags();

}  // namespace core::flags
