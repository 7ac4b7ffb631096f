#include "runtime/number_format.h"

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace runtime {
namespace {

std::string real(double value, int width = 15, int decimals = 3) {
  return std::string(format_real(value, width, decimals).view());
}

std::string blanks(int count) { return std::string(count, ' '); }

TEST(FormatInteger, WritesPlainDecimal) {
  const struct {
    std::int32_t value;
    const char* text;
  } rows[] = {{0, "0"},          {7, "7"},
              {-1, "-1"},        {2147483647, "2147483647"},
              {-2147483647 - 1, "-2147483648"}, {1000, "1000"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(format_integer(row.value).view(), row.text);
  }
}

TEST(FormatReal, WidthFifteenThreeDecimals) {
  const struct {
    double value;
    std::string text;
  } rows[] = {
      {12.345, blanks(9) + "12.345"},
      {0.05, blanks(10) + "0.050"},
      {0.0, blanks(10) + "0.000"},
      {-0.0, blanks(9) + "-0.000"},
      {-12.345, blanks(8) + "-12.345"},
      {0.0004, blanks(10) + "0.000"},
      {-0.0004, blanks(9) + "-0.000"},
      {0.0015, blanks(10) + "0.002"},  // the double lies just above
      {9.9995, blanks(10) + "9.999"},  // the double lies just below
      {0.00096, blanks(10) + "0.001"},
      {86399.999, blanks(6) + "86399.999"},
      {-86399.999, blanks(5) + "-86399.999"},
      {1.0, blanks(10) + "1.000"},
      {0.9999999999999999, blanks(10) + "1.000"},
      {9.9996, blanks(9) + "10.000"},  // a carry into a new leading digit
      {999.9996, blanks(7) + "1000.000"},
      {0.5, blanks(10) + "0.500"},
      {100.0, blanks(8) + "100.000"},
      {123456789012345678.0, "123456789012345600.000"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(real(row.value), row.text);
  }
}

TEST(FormatReal, EveryWholeNumberOfMillisecondsKeepsItsDecimals) {
  // The elapsed seconds of a run: n / 1000 for n up to a day, both signs.
  for (std::int32_t n = -86400000; n <= 86400000; n += 997) {
    const double seconds = static_cast<double>(n) / 1000.0;
    const std::int32_t magnitude = n < 0 ? -n : n;
    std::string digits = std::to_string(magnitude / 1000) + "." +
                         std::string(3 - std::to_string(magnitude % 1000).size(), '0') +
                         std::to_string(magnitude % 1000);
    if (n < 0) digits = "-" + digits;
    ASSERT_EQ(real(seconds), blanks(15 - static_cast<int>(digits.size())) + digits)
        << n;
  }
}

TEST(FormatReal, WidthAndDecimalsAtTheirEdges) {
  EXPECT_EQ(real(12.5, 0, 0), "13");  // half up
  EXPECT_EQ(real(2.25, 0, 1), "2.3");
  EXPECT_EQ(real(3.0, 0, 0), "3");
  EXPECT_EQ(real(0.125, 0, 20), "0.1250000000000000");  // at most 16
  EXPECT_EQ(real(1.5, 2, 3), "1.500");  // a longer text is never cut
  EXPECT_EQ(real(1.5, 300, 3).size(), 255u);  // a full short string
}

TEST(FormatReal, HugeAndSpecialValuesStayReadable) {
  EXPECT_EQ(real(1e36, 0, 3), " 1.000000000000000E+036");
  EXPECT_EQ(real(-2.5e100, 0, 3), "-2.500000000000000E+100");
  EXPECT_EQ(real(1e35, 0, 0), "100000000000000000000000000000000000");
  EXPECT_EQ(real(std::numeric_limits<double>::max(), 0, 3).substr(0, 8),
            " 1.79769");
  EXPECT_EQ(real(std::numeric_limits<double>::infinity()), blanks(12) + "Inf");
  EXPECT_EQ(real(-std::numeric_limits<double>::infinity()),
            blanks(11) + "-Inf");
  EXPECT_EQ(real(std::nan("")), blanks(12) + "Nan");
  EXPECT_EQ(real(std::numeric_limits<double>::denorm_min()),
            blanks(10) + "0.000");
}

}  // namespace
}  // namespace runtime
