// The clock: the local time of day and the millisecond tick count.  A
// library of its own in each backend (clock.cc), so that the test builds
// of the programs can link a scripted clock in its place.
#pragma once

#include <cstdint>

namespace platform {

// The local date and time of this moment, fields in this order.
struct LocalTime {
  std::uint16_t year;
  std::uint16_t month;
  std::uint16_t day;
  std::uint16_t hour;
  std::uint16_t minute;
  std::uint16_t second;
  std::uint16_t millisecond;
};
void read_local_time(LocalTime& record);

// A millisecond counter that changes from run to run (milliseconds since
// the system started), reduced to its low 32 bits.
std::uint32_t read_tick_count();

}  // namespace platform
