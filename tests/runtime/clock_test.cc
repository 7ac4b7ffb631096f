// The clock against the simulated local time: day fractions of chosen
// times, fields out of range, the split of fractions outside the day, and
// a round trip of every millisecond of the day.  Splits run with the
// programs' floating-point traps enabled where the C library allows it.
#include "runtime/clock.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>

#include "tests/fakes/fake_platform.h"

namespace runtime {
namespace {

// Traps on invalid operation, division by zero and overflow while alive,
// as in the programs; a trapped operation ends the test binary with SIGFPE.
class ProgramTraps {
 public:
  ProgramTraps() { enable(true); }
  ~ProgramTraps() { enable(false); }

 private:
  static void enable(bool on) {
#if defined(__GLIBC__)
    constexpr int kTraps = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
    if (on) {
      feenableexcept(kTraps);
    } else {
      fedisableexcept(kTraps);
    }
#else
    static_cast<void>(on);
#endif
  }
};

struct TimeOfDay {
  std::uint16_t hour, minute, second, millisecond;
  bool operator==(const TimeOfDay&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TimeOfDay& t) {
  return out << t.hour << ':' << t.minute << ':' << t.second << '.'
             << t.millisecond;
}

void set_local_time(std::uint16_t day, TimeOfDay t) {
  fake::state.local_time = {2026,     12,       day,          t.hour,
                            t.minute, t.second, t.millisecond};
}

TimeOfDay read() {
  TimeOfDay t{};
  read_time_of_day(t.hour, t.minute, t.second, t.millisecond);
  return t;
}

TimeOfDay split(double fraction) {
  TimeOfDay t{};
  ProgramTraps traps;
  split_time_of_day(fraction, t.hour, t.minute, t.second, t.millisecond);
  return t;
}

TEST(Clock, DayFractionOfLocalTimeReadsBack) {
  struct Row {
    TimeOfDay local;
    long double fraction;
  };
  const Row rows[] = {
      {{0, 0, 0, 0}, 0.0L},
      {{12, 0, 0, 0}, 0.5L},
      {{23, 59, 59, 999}, 86399999.0L / 86400000.0L},
  };
  fake::reset();
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.local);
    set_local_time(7, row.local);
    EXPECT_EQ(time_of_day_fraction(), row.fraction);
    EXPECT_EQ(read(), row.local);
  }
}

TEST(Clock, MillisecondsOfDayWalksFieldLimits) {
  struct Row {
    TimeOfDay t;
    std::int32_t expected;
  };
  const Row rows[] = {
      {{0, 0, 0, 0}, 0},
      {{0, 0, 0, 999}, 999},
      {{0, 0, 0, 1000}, 0},
      {{0, 0, 59, 0}, 59000},
      {{0, 0, 60, 0}, 0},
      {{0, 59, 0, 0}, 3540000},
      {{0, 60, 0, 0}, 0},
      {{23, 0, 0, 0}, 82800000},
      {{24, 0, 0, 0}, 0},
      {{23, 59, 59, 999}, 86399999},
      {{65535, 65535, 65535, 65535}, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.t);
    EXPECT_EQ(milliseconds_of_day(row.t.hour, row.t.minute, row.t.second,
                                  row.t.millisecond),
              row.expected);
  }
}

TEST(Clock, PlatformTimeOutOfRangeReadsAsMidnight) {
  const TimeOfDay rows[] = {
      {24, 0, 0, 0},     {0, 60, 0, 0},  {0, 0, 60, 0},    {0, 0, 0, 1000},
      {24, 30, 15, 500}, {12, 60, 0, 0}, {65535, 0, 0, 0},
  };
  fake::reset();
  for (const TimeOfDay& local : rows) {
    SCOPED_TRACE(testing::Message() << local);
    set_local_time(7, local);
    EXPECT_EQ(time_of_day_fraction(), 0.0L);
    EXPECT_EQ(read(), (TimeOfDay{0, 0, 0, 0}));
  }
}

TEST(Clock, SplitUsesOnlyFractionalPart) {
  struct Row {
    double t;
    TimeOfDay expected;
  };
  const Row rows[] = {
      {0.0, {0, 0, 0, 0}},
      {0.5, {12, 0, 0, 0}},
      {1.75, {18, 0, 0, 0}},
      {2.0, {0, 0, 0, 0}},
      {1000000.25, {6, 0, 0, 0}},
      // Rounds to a whole day; no reading produces it.
      {std::nextafter(1.0, 0.0), {24, 0, 0, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.t);
    EXPECT_EQ(split(row.t), row.expected);
  }
}

TEST(Clock, SplitOfNegativeOrNonFiniteValueIsSafe) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  struct Row {
    double t;
    TimeOfDay expected;
  };
  // Negative counts wrap around as unsigned 32-bit: 2^32 - 21600000 is
  // 1187 hours and 167296 ms, 2^32 - 64800000 is 1175 hours and 167296 ms,
  // 2^32 - 1 is 1193 hours and 167295 ms.
  const Row rows[] = {
      {-0.0, {0, 0, 0, 0}},
      {-0.25, {1187, 2, 47, 296}},
      {-1.75, {1175, 2, 47, 296}},
      {-1.0 / 86400000.0, {1193, 2, 47, 295}},
      {kInf, {0, 0, 0, 0}},
      {-kInf, {0, 0, 0, 0}},
      {std::numeric_limits<double>::quiet_NaN(), {0, 0, 0, 0}},
      {std::numeric_limits<double>::signaling_NaN(), {0, 0, 0, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.t);
    EXPECT_EQ(split(row.t), row.expected);
  }
}

TEST(Clock, ReadingJustAfterMidnightIsSmallerThanJustBefore) {
  fake::reset();
  set_local_time(7, {23, 59, 59, 999});
  const long double before = time_of_day_fraction();
  set_local_time(8, {0, 0, 0, 1});
  const long double after = time_of_day_fraction();
  EXPECT_LT(after, before);
  EXPECT_EQ(read(), (TimeOfDay{0, 0, 0, 1}));
}

TEST(Clock, EveryMillisecondOfDayReadsBackUnchanged) {
  fake::reset();
  std::int64_t mismatches = 0;
  TimeOfDay first_local{}, first_read{};
  ProgramTraps traps;
  for (std::uint16_t h = 0; h < 24; ++h) {
    for (std::uint16_t m = 0; m < 60; ++m) {
      for (std::uint16_t s = 0; s < 60; ++s) {
        for (std::uint16_t ms = 0; ms < 1000; ++ms) {
          const TimeOfDay local{h, m, s, ms};
          set_local_time(7, local);
          const TimeOfDay got = read();
          // One assertion per mismatch would dominate the run time.
          if (got != local) {
            if (mismatches == 0) {
              first_local = local;
              first_read = got;
            }
            ++mismatches;
          }
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0) << "first: " << first_local << " read as "
                           << first_read;
}

}  // namespace
}  // namespace runtime
