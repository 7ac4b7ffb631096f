// errno values as Windows error numbers: every row of the table, and 31
// for every other value.
#include "platform/posix/error_number.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <set>

namespace platform::posix {
namespace {

TEST(ErrorNumber, EachMappedValueGivesItsWindowsNumber) {
  struct Row {
    int error;
    const char* name;
    std::uint32_t code;
  } rows[] = {
      {ENOENT, "ENOENT", 2},   {EMFILE, "EMFILE", 4},
      {ENFILE, "ENFILE", 4},   {EACCES, "EACCES", 5},
      {EPERM, "EPERM", 5},     {EISDIR, "EISDIR", 5},
      {EBADF, "EBADF", 6},     {ENOMEM, "ENOMEM", 8},
      {EROFS, "EROFS", 19},    {ENXIO, "ENXIO", 21},
      {ENODEV, "ENODEV", 21},  {EINVAL, "EINVAL", 87},
      {EPIPE, "EPIPE", 109},   {ENOSPC, "ENOSPC", 112},
      {EDQUOT, "EDQUOT", 112}, {EFBIG, "EFBIG", 112},
      {EAGAIN, "EAGAIN", 232}, {EWOULDBLOCK, "EWOULDBLOCK", 232},
  };
  std::set<int> mapped;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(windows_error(row.error), row.code);
    mapped.insert(row.error);
  }
  // Every other value, the ones nobody expects included, is a general
  // failure.
  for (int error = -1; error < 4096; ++error) {
    if (mapped.count(error) != 0) continue;
    SCOPED_TRACE(error);
    EXPECT_EQ(windows_error(error), 31u);  // ERROR_GEN_FAILURE
  }
}

}  // namespace
}  // namespace platform::posix
