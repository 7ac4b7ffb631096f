// The processors of the affinity mask on Windows (GetProcessAffinityMask;
// a process in one processor group, as every process starts).
#include "platform/processors.h"

#include <windows.h>

namespace platform {

int usable_processors() {
  DWORD_PTR process_mask = 0;
  DWORD_PTR system_mask = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &process_mask,
                              &system_mask)) {
    return 1;
  }
  const int count = __builtin_popcountll(process_mask);
  return count < 1 ? 1 : count;
}

}  // namespace platform
