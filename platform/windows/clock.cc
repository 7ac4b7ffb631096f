// Local time and the millisecond tick counter on Windows: GetLocalTime and
// GetTickCount, the calls the clock and the seeding were written for.
#include "platform/clock.h"

#include <windows.h>

namespace platform {

void read_local_time(LocalTime& record) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  // The day of the week has no place in the record.
  record.year = now.wYear;
  record.month = now.wMonth;
  record.day = now.wDay;
  record.hour = now.wHour;
  record.minute = now.wMinute;
  record.second = now.wSecond;
  record.millisecond = now.wMilliseconds;
}

// Milliseconds since the system started, wrapping after about 49.7 days.
std::uint32_t read_tick_count() { return GetTickCount(); }

}  // namespace platform
