// The flag variant on the engine; see flag_engine.h.
#include "core/engine/flag_engine.h"

#include <cstdint>

#include "core/engine/tuple_runs.h"
#include "core/parameters.h"

namespace core::engine::flags {

std::int32_t run_tuples(std::int32_t count) {
  const int k = parameters.k;
  const int n = parameters.n;
  if (k < 1 || k > kMaxComponents || n < 1 || n > kMaxElements) return 0;
  return core::engine::run_tuples({false, k, n}, count);
}

}  // namespace core::engine::flags
