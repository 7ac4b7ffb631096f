// The clock against the simulated local time: chosen and out-of-range
// times, splits of values outside the day under the programs' traps, and a
// round trip of every millisecond.
#include "runtime/clock.h"

#include <gtest/gtest.h>

#include <array>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "tests/fakes/fake_platform.h"

namespace runtime {
namespace {

// Traps invalid operation, division by zero and overflow while alive, as
// the programs do: a trapped operation ends the test binary with SIGFPE.
struct ProgramTraps {
#if defined(__GLIBC__)
  static constexpr int kTraps = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
  ProgramTraps() { feenableexcept(kTraps); }
  ~ProgramTraps() { fedisableexcept(kTraps); }
#else
  ~ProgramTraps() {}
#endif
};

using TimeOfDay = std::array<std::uint16_t, 4>;  // h, min, s, ms

// Sets the simulated local time, on day `day`, and reads the clock.
TimeOfDay read_at(TimeOfDay local, std::uint16_t day = 7) {
  fake::state.local_time = {2026,     12,       day,     local[0],
                            local[1], local[2], local[3]};
  TimeOfDay t{};
  read_time_of_day(t[0], t[1], t[2], t[3]);
  return t;
}

TEST(Clock, ReadsLocalTimeAsDayFractionAndOutOfRangeFieldsAsMidnight) {
  const struct {
    TimeOfDay local;
    long double fraction;
    TimeOfDay read;
  } rows[] = {
      {{0, 0, 0, 0}, 0.0L, {0, 0, 0, 0}},
      {{12, 0, 0, 0}, 0.5L, {12, 0, 0, 0}},
      {{23, 59, 59, 999}, 86399999.0L / 86400000.0L, {23, 59, 59, 999}},
      {{24, 30, 15, 500}, 0.0L, {0, 0, 0, 0}},
      {{12, 60, 0, 0}, 0.0L, {0, 0, 0, 0}},
      {{12, 0, 60, 0}, 0.0L, {0, 0, 0, 0}},
      {{12, 0, 0, 1000}, 0.0L, {0, 0, 0, 0}},
      {{65535, 65535, 65535, 65535}, 0.0L, {0, 0, 0, 0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.local));
    EXPECT_EQ(read_at(row.local), row.read);
    EXPECT_EQ(time_of_day_fraction(), row.fraction);
  }
}

TEST(Clock, ReadingJustAfterMidnightIsSmallerThanJustBefore) {
  read_at({23, 59, 59, 999});
  const long double before = time_of_day_fraction();
  EXPECT_EQ(read_at({0, 0, 0, 1}, 8), (TimeOfDay{0, 0, 0, 1}));
  EXPECT_LT(time_of_day_fraction(), before);
}

TEST(Clock, SplitsOnlyTheFractionalPartAndSurvivesAnyDouble) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  // Negative counts wrap around as unsigned 32-bit: 2^32 - 21600000 ms is
  // 1187:02:47.296.
  const struct {
    double t;
    TimeOfDay expected;
  } rows[] = {
      {0.5, {12, 0, 0, 0}},
      {1.75, {18, 0, 0, 0}},
      {1000000.25, {6, 0, 0, 0}},
      {std::nextafter(1.0, 0.0), {24, 0, 0, 0}},  // rounds to a whole day
      {-0.0, {0, 0, 0, 0}},
      {-0.25, {1187, 2, 47, 296}},
      {-1.0 / 86400000.0, {1193, 2, 47, 295}},
      {kInf, {0, 0, 0, 0}},
      {-kInf, {0, 0, 0, 0}},
      {std::numeric_limits<double>::quiet_NaN(), {0, 0, 0, 0}},
      {std::numeric_limits<double>::signaling_NaN(), {0, 0, 0, 0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.t);
    TimeOfDay t{};
    {
      ProgramTraps traps;
      split_time_of_day(row.t, t[0], t[1], t[2], t[3]);
    }
    EXPECT_EQ(t, row.expected);
  }
}

TEST(Clock, EveryMillisecondOfDayReadsBackUnchanged) {
  ProgramTraps traps;
  int mismatches = 0;  // only the first is reported: one each would swamp
  for (std::uint16_t h = 0; h < 24; ++h) {
    for (std::uint16_t m = 0; m < 60; ++m) {
      for (std::uint16_t s = 0; s < 60; ++s) {
        for (std::uint16_t ms = 0; ms < 1000; ++ms) {
          const TimeOfDay got = read_at({h, m, s, ms});
          if (got != TimeOfDay{h, m, s, ms} && mismatches++ == 0) {
            ADD_FAILURE() << h << ':' << m << ':' << s << '.' << ms
                          << " read as " << testing::PrintToString(got);
          }
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace runtime
