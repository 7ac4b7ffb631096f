// x86-64: the processor reports its instruction sets (and whether the
// operating system saves the wider registers); each path needs every set
// its file is compiled for.
#include "core/engine/instruction_sets.h"

namespace core::engine {
namespace {

bool offers_avx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") &&
         __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
         __builtin_cpu_supports("popcnt");
}

bool offers_avx512() {
  return offers_avx2() && __builtin_cpu_supports("avx512f") &&
         __builtin_cpu_supports("avx512dq") &&
         __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vl") &&
         __builtin_cpu_supports("avx512ifma") &&
         __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("gfni");
}

}  // namespace

const Kernels* kernels_for(Path path) {
  switch (path) {
    case Path::kAvx2:
      return offers_avx2() ? &kAvx2Kernels : nullptr;
    case Path::kAvx512:
      return offers_avx512() ? &kAvx512Kernels : nullptr;
    case Path::kPortable:
      break;
  }
  return &kPortableKernels;
}

}  // namespace core::engine
