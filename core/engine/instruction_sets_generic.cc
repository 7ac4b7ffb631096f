// Processors without the x86 paths: the portable path alone.
#include "core/engine/instruction_sets.h"

namespace core::engine {

const Kernels* kernels_for(Path path) {
  return path == Path::kPortable ? &kPortableKernels : nullptr;
}

}  // namespace core::engine
