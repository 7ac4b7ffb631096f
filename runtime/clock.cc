// The time of day: the platform's local time as milliseconds since
// midnight, the day fraction made from it, and the split of a fraction
// back into hour, minute, second and millisecond.  The date is read with
// the rest of the record but plays no part.  The tick count is passed on
// as the platform gives it, so that the dialogue reaches the operating
// system only through the runtime.
#include "runtime/clock.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "platform/clock.h"

namespace runtime {

namespace {

constexpr std::uint32_t kMillisecondsPerHour = 3600000;
constexpr std::uint32_t kMillisecondsPerMinute = 60000;
constexpr std::uint32_t kMillisecondsPerSecond = 1000;
constexpr long double kMillisecondsPerDay = 86400000.0L;

// Decided on the bits rather than by comparison, so that not even a
// signalling NaN can raise the invalid-operation trap.
bool is_finite(double t) {
  constexpr std::uint64_t kExponentMask = 0x7FF0000000000000u;
  return (std::bit_cast<std::uint64_t>(t) & kExponentMask) != kExponentMask;
}

}  // namespace

std::int32_t milliseconds_of_day(std::uint16_t hour, std::uint16_t minute,
                                 std::uint16_t second,
                                 std::uint16_t millisecond) {
  if (hour >= 24 || minute >= 60 || second >= 60 || millisecond >= 1000) {
    return 0;
  }
  // At most 86399999, well inside the signed result.
  return static_cast<std::int32_t>(
      hour * kMillisecondsPerHour + minute * kMillisecondsPerMinute +
      second * kMillisecondsPerSecond + millisecond);
}

long double time_of_day_fraction() {
  platform::LocalTime record;
  platform::read_local_time(record);
  const std::int32_t n = milliseconds_of_day(record.hour, record.minute,
                                             record.second, record.millisecond);
  return static_cast<long double>(n) / kMillisecondsPerDay;
}

void split_time_of_day(double t, std::uint16_t& hour, std::uint16_t& minute,
                       std::uint16_t& second, std::uint16_t& millisecond) {
  // For an infinite t, t - trunc(t) would be an invalid operation; such a
  // t, like a NaN, reads as midnight.
  std::uint32_t n = 0;
  if (is_finite(t)) {
    const double f = t - std::trunc(t);  // exact; in (-1, 1)
    const long double p = static_cast<long double>(f) * kMillisecondsPerDay;
    // rint rounds in the current mode, which the programs keep at nearest,
    // ties to even; the inexact flag it may raise is never trapped.  As
    // |p| <= 86400000 the conversion that follows cannot raise invalid.
    const auto rounded = static_cast<std::int32_t>(std::rint(p));
    n = static_cast<std::uint32_t>(rounded);
  }
  hour = static_cast<std::uint16_t>(n / kMillisecondsPerHour);
  n %= kMillisecondsPerHour;
  minute = static_cast<std::uint16_t>(n / kMillisecondsPerMinute);
  n %= kMillisecondsPerMinute;
  second = static_cast<std::uint16_t>(n / kMillisecondsPerSecond);
  millisecond = static_cast<std::uint16_t>(n % kMillisecondsPerSecond);
}

void read_time_of_day(std::uint16_t& hour, std::uint16_t& minute,
                      std::uint16_t& second, std::uint16_t& millisecond) {
  // The fraction travels as a double; the split relies on that rounding
  // being harmless for every millisecond of the day.
  const double t = static_cast<double>(time_of_day_fraction());
  split_time_of_day(t, hour, minute, second, millisecond);
}

std::uint32_t read_tick_count() { return platform::read_tick_count(); }

}  // namespace runtime
