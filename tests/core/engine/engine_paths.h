// The engine's paths that this processor runs, for the tests that compare
// every path with the plain operations.
#pragma once

#include <vector>

#include "core/engine/dispatch.h"

namespace core::engine {

inline std::vector<Path> supported_paths() {
  std::vector<Path> paths;
  for (Path path : kAllPaths) {
    if (path_supported(path)) paths.push_back(path);
  }
  return paths;
}

}  // namespace core::engine
