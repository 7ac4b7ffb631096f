// The engine's paths that this processor runs, for the tests that compare
// every path with the plain operations, and where their streams start.
#pragma once

#include <cstdint>
#include <vector>

#include "core/engine/dispatch.h"
#include "core/engine/draw_streams.h"
#include "runtime/random_source.h"

namespace core::engine {

inline std::vector<Path> supported_paths() {
  std::vector<Path> paths;
  for (Path path : kAllPaths) {
    if (path_supported(path)) paths.push_back(path);
  }
  return paths;
}

// The streams as a program seeded with `seed` stands before its first draw.
inline StreamOffsets streams_for(std::uint32_t seed) {
  runtime::random_state = runtime::RandomState{};
  runtime::random_state.seed = seed;
  return take_streams();
}

}  // namespace core::engine
