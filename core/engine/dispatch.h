// Which instruction set the engine runs on.  The best path the processor
// offers is chosen at the first use; tests and the benchmark may choose
// another.  Every path gives the same draws and verdicts.
#pragma once

#include "core/engine/kernels.h"

namespace core::engine {

enum class Path { kPortable, kAvx2, kAvx512 };

inline constexpr Path kAllPaths[] = {Path::kPortable, Path::kAvx2,
                                     Path::kAvx512};

// "portable", "avx2" or "avx512".
const char* path_name(Path path);

// True when this build has the path and the processor (and the operating
// system) can run it.  The portable path is always there.
bool path_supported(Path path);

// The fastest supported path.
Path best_path();

// Makes the engine use `path` from now on; false, changing nothing, when
// the path is not supported.
bool select_path(Path path);

// The path in use (the best one until select_path says otherwise).
Path selected_path();

// The kernels of the path in use; inline, as every tuple asks.
namespace dispatch_detail {
extern const Kernels* chosen_kernels;  // null until the first choice
}  // namespace dispatch_detail

inline const Kernels& kernels() {
  const Kernels* chosen = dispatch_detail::chosen_kernels;
  if (chosen == nullptr) {
    select_path(best_path());
    chosen = dispatch_detail::chosen_kernels;
  }
  return *chosen;
}

}  // namespace core::engine
