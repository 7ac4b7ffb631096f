// The clock of the test builds of both programs: local time and tick count
// come from the environment, so that whole sessions can be compared byte
// for byte.  TEST_TICK_COUNT is the tick count; TEST_LOCAL_TIME
// ("h:m:s.ms") the first reading, each later one TEST_CLOCK_STEP
// milliseconds after the one before, wrapping at midnight.
#include <cstdio>
#include <cstdlib>

#include "platform/clock.h"

namespace platform {
namespace {

std::uint32_t number_from(const char* name, std::uint32_t fallback) {
  const char* text = std::getenv(name);
  return text == nullptr ? fallback
                         : static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
}

std::uint32_t readings = 0;

}  // namespace

void read_local_time(LocalTime& record) {
  unsigned hour = 9, minute = 5, second = 7, millisecond = 42;
  if (const char* text = std::getenv("TEST_LOCAL_TIME"))
    std::sscanf(text, "%u:%u:%u.%u", &hour, &minute, &second, &millisecond);
  constexpr std::uint64_t kDay = 86400000;
  const std::uint64_t start =
      ((hour * 60ull + minute) * 60ull + second) * 1000ull + millisecond;
  const std::uint64_t now =
      (start + readings++ * std::uint64_t{number_from("TEST_CLOCK_STEP", 0)}) %
      kDay;
  record = LocalTime{2026, 12, 7,
                     static_cast<std::uint16_t>(now / 3600000),
                     static_cast<std::uint16_t>(now / 60000 % 60),
                     static_cast<std::uint16_t>(now / 1000 % 60),
                     static_cast<std::uint16_t>(now % 1000)};
}

std::uint32_t read_tick_count() { return number_from("TEST_TICK_COUNT", 0); }

}  // namespace platform
