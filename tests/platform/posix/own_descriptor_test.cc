// Descriptors the program opens for itself stay off 0, 1 and 2 and close
// on exec.  Each case runs in a child process (a death test), whose
// standard descriptors it may close.
#include "platform/posix/own_descriptor.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

namespace platform::posix {
namespace {

// Closes descriptors 0 to `last_closed`, opens /dev/null for itself, and
// exits with 0 when it landed above 2, close-on-exec, with the closed
// standard descriptors still closed; with 1 otherwise.
[[noreturn]] void open_with_closed_standard(int last_closed) {
  for (int fd = 0; fd <= last_closed; ++fd) close(fd);
  const int opened = open_own_descriptor("/dev/null", O_RDONLY);
  bool sound = opened > 2 && (fcntl(opened, F_GETFD) & FD_CLOEXEC) != 0;
  for (int fd = 0; fd <= last_closed; ++fd)
    sound = sound && fcntl(fd, F_GETFD) == -1;
  std::_Exit(sound ? 0 : 1);
}

TEST(OwnDescriptor, NeverTakesAClosedStandardDescriptor) {
  // None closed, standard input closed, all three closed.
  for (int last_closed : {-1, 0, 2}) {
    SCOPED_TRACE(last_closed);
    EXPECT_EXIT(open_with_closed_standard(last_closed),
                ::testing::ExitedWithCode(0), "");
  }
}

TEST(OwnDescriptor, FailureGivesMinusOne) {
  EXPECT_EQ(open_own_descriptor("/nonexistent/device", O_RDONLY), -1);
}

}  // namespace
}  // namespace platform::posix
