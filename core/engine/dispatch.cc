// The choice of path; see dispatch.h.  What the processor offers comes
// from the build's instruction_sets file.
#include "core/engine/dispatch.h"

#include "core/engine/instruction_sets.h"

namespace core::engine {

namespace dispatch_detail {
const Kernels* chosen_kernels = nullptr;
}  // namespace dispatch_detail

namespace {

Path chosen = Path::kPortable;

}  // namespace

const char* path_name(Path path) {
  switch (path) {
    case Path::kAvx2:
      return "avx2";
    case Path::kAvx512:
      return "avx512";
    case Path::kPortable:
      break;
  }
  return "portable";
}

bool path_supported(Path path) { return kernels_for(path) != nullptr; }

Path best_path() {
  if (path_supported(Path::kAvx512)) return Path::kAvx512;
  if (path_supported(Path::kAvx2)) return Path::kAvx2;
  return Path::kPortable;
}

bool select_path(Path path) {
  const Kernels* table = kernels_for(path);
  if (table == nullptr) return false;
  chosen = path;
  dispatch_detail::chosen_kernels = table;
  return true;
}

Path selected_path() {
  kernels();
  return chosen;
}

}  // namespace core::engine
