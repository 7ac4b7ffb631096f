// The parameters of the current experiment, set by the parameter dialog
// and the start step and read by the filling and the generation tests.
#pragma once

#include <cstdint>

namespace core {

inline constexpr int kMaxComponents = 120;  // limit of k
inline constexpr int kMaxElements = 2000;   // limit of n
inline constexpr int kMaxBytes = kMaxElements / 8;

struct Parameters {
  std::int32_t n = 0;           // size of the base set
  std::int32_t k = 0;           // number of components of a tuple
  std::int32_t tests = 0;       // number of tuples to draw
  std::int32_t byte_count = 0;  // n / 8, packed variant only
};

extern Parameters parameters;

}  // namespace core
