// The local time of day with millisecond resolution.  A reading passes
// through the fraction of the day since local midnight (extended
// precision, stored as a double on its way) and is split back into hour,
// minute, second and millisecond.  Also the millisecond tick count, which
// seeds the random source and paces the stop poll.
#pragma once

#include <cstdint>

namespace runtime {

// Milliseconds since midnight, or 0 when any field is out of range
// (hour 24 or more, minute or second 60 or more, millisecond 1000 or more).
std::int32_t milliseconds_of_day(std::uint16_t hour, std::uint16_t minute,
                                 std::uint16_t second,
                                 std::uint16_t millisecond);

// The day fraction of the current local time: milliseconds_of_day / 86.4e6,
// rounded to extended precision.
long double time_of_day_fraction();

// Splits the fractional part of `t` back into the four fields, written in
// the order hour, minute, second, millisecond.  1.75 gives 18:00:00.000;
// a fraction that rounds to a whole day, such as the largest double below
// 1, gives hour 24.  The programs never pass a negative t; one that
// arrives has its negative millisecond count wrap around as unsigned
// 32-bit, split the same way (-0.25 gives 1187:02:47.296).  An infinite
// or NaN t gives 00:00:00.000.  No t raises a floating-point exception.
void split_time_of_day(double t, std::uint16_t& hour, std::uint16_t& minute,
                       std::uint16_t& second, std::uint16_t& millisecond);

// The current local time of day, through the day fraction.
void read_time_of_day(std::uint16_t& hour, std::uint16_t& minute,
                      std::uint16_t& second, std::uint16_t& millisecond);

// The platform's millisecond tick count, low 32 bits: it changes from run
// to run, and it wraps around.
std::uint32_t read_tick_count();

}  // namespace runtime
