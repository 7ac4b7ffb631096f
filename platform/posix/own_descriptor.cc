// Opening a device above the standard descriptors.
#include "platform/posix/own_descriptor.h"

#include <fcntl.h>
#include <unistd.h>

namespace platform::posix {

int open_own_descriptor(const char* path, int flags) {
  const int opened = ::open(path, flags | O_CLOEXEC);
  if (opened < 0 || opened > STDERR_FILENO) return opened;
  // The lowest free descriptor was a standard one, which stays closed.
  const int moved = ::fcntl(opened, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  ::close(opened);
  return moved;
}

}  // namespace platform::posix
