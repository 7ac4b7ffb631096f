// The packed variant on the engine; see packed_engine.h.
#include "core/engine/packed_engine.h"

#include <cstdint>

#include "core/engine/tuple_runs.h"
#include "core/parameters.h"

namespace core::engine::packed {

std::int32_t run_tuples(std::int32_t count) {
  const int k = parameters.k;
  const int byte_count = parameters.byte_count;
  // The plain filling draws nothing for shapes beyond its store, and the
  // plain test finds no generating tuple there.
  if (k < 1 || k > kMaxComponents || byte_count < 1 || byte_count > kMaxBytes) {
    return 0;
  }
  return core::engine::run_tuples({true, k, byte_count}, count);
}

}  // namespace core::engine::packed
