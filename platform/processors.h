// How many processors the process may run on: the one question the fast
// engine asks the operating system, to start one worker thread per
// processor.  A library of its own, as only the engine needs it.
#pragma once

namespace platform {

// The processors in the process's affinity mask (so `taskset -c 0`
// gives 1), at least 1 when the system cannot say.
int usable_processors();

}  // namespace platform
