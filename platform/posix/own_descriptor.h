// Descriptors the program opens for itself.  0, 1 and 2 belong to the
// standard handles even while they are closed: a device opened then must
// not take the place of a closed standard input, whose first read has to
// fail as any closed handle's does, rather than wait for keys.
#pragma once

namespace platform::posix {

// Opens `path` with `flags` (O_CLOEXEC added) on a descriptor above 2;
// -1 on failure.
int open_own_descriptor(const char* path, int flags);

}  // namespace platform::posix
