// Local time and the millisecond tick counter on POSIX.
#include "platform/clock.h"

#include <ctime>

namespace platform {

void read_local_time(LocalTime& record) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm local{};
  localtime_r(&now.tv_sec, &local);
  record.year = static_cast<std::uint16_t>(local.tm_year + 1900);
  record.month = static_cast<std::uint16_t>(local.tm_mon + 1);
  record.day = static_cast<std::uint16_t>(local.tm_mday);
  record.hour = static_cast<std::uint16_t>(local.tm_hour);
  record.minute = static_cast<std::uint16_t>(local.tm_min);
  // A leap second (60) is passed on; the clock reads it as out of range.
  record.second = static_cast<std::uint16_t>(local.tm_sec);
  record.millisecond = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
}

std::uint32_t read_tick_count() {
  // Milliseconds since boot, suspend included, like the Windows counter.
  timespec since_boot{};
  clock_gettime(CLOCK_BOOTTIME, &since_boot);
  const auto milliseconds =
      static_cast<std::uint64_t>(since_boot.tv_sec) * 1000u +
      static_cast<std::uint64_t>(since_boot.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(milliseconds);
}

}  // namespace platform
