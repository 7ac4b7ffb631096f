// What this build and this processor can run.  One implementation per
// processor family, chosen by the build: instruction_sets_x86.cc asks the
// processor, instruction_sets_generic.cc knows only the portable path.
#pragma once

#include "core/engine/dispatch.h"
#include "core/engine/kernels.h"

namespace core::engine {

// The kernels of `path`, or nullptr when the build lacks the path or the
// processor cannot run it.
const Kernels* kernels_for(Path path);

}  // namespace core::engine
