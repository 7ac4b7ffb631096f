#include "runtime/run_time_error.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/text_channel.h"
#include "tests/fakes/fake_platform.h"

namespace runtime {
namespace {

TEST(ErrorMessage, KnownCodesHaveTextsOthersTheirNumber) {
  const struct {
    std::uint16_t code;
    const char* text;
  } rows[] = {
      {106, "Invalid input"},
      {101, "Disk Full"},
      {6, "Invalid file handle"},
      {5, "Access denied"},
      {203, "Out of memory"},
      {1, "Out of memory"},
      {200, "Division by zero"},
      {207, "Invalid floating point operation"},
      {205, "Floating point overflow"},
      {216, "Access violation"},
      {109, "Unknown Run-Time error : 109"},
      {7, "Unknown Run-Time error : 007"},
      {1000, "Unknown Run-Time error : 1000"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.code);
    char scratch[40];
    EXPECT_EQ(error_message(row.code, scratch), row.text);
  }
}

class FailureReport : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::reset();
    bind_standard_channels();
    install_exception_layer();
  }
  void TearDown() override { io_error = 0; }
  // Raises `code` at `location` and returns the exit code.
  std::uint32_t raise(std::uint16_t code, std::uintptr_t location) {
    try {
      raise_run_time_error(code, location);
    } catch (const fake::ExitCalled& exit) {
      return exit.code;
    }
    return 0;
  }
  std::string& report() { return fake::state.written[fake::kOutput]; }
};

TEST_F(FailureReport, CheckWithNothingPendingDoesNothing) {
  check_io();
  EXPECT_EQ(report(), "");
}

TEST_F(FailureReport, PendingErrorBecomesTheUnhandledExceptionReport) {
  io_error = 106;
  std::uint32_t exit_code = 0;
  try {
    check_io();
  } catch (const fake::ExitCalled& exit) {
    exit_code = exit.code;
  }
  EXPECT_EQ(exit_code, 217u);
  EXPECT_EQ(io_error, 0);
  // The location is check_io's return address into this test; the fake
  // stack does not hold it, so no caller lines follow.
  const std::string& text = report();
  ASSERT_EQ(text.size(), 80u) << text;
  EXPECT_EQ(text.substr(0, 37), "An unhandled exception occurred at 0x");
  EXPECT_EQ(text.substr(45, 19), " :\r\nInvalid input\r\n");
  EXPECT_EQ(text.substr(64, 4), "  0x");
  EXPECT_EQ(text.substr(68, 8), text.substr(37, 8));
  EXPECT_EQ(text.substr(76), "\r\n\r\n");
}

TEST_F(FailureReport, CallersFollowOutwardsToTheStartUpCode) {
  fake::state.stack = {0x10, 0x20, 0x1234ABCD, 0x40, 0x50, 0x60, 0x70};
  fake::state.startup_return = 0x60;
  EXPECT_EQ(raise(106, 0x1234ABCD), 217u);
  EXPECT_EQ(report(),
            "An unhandled exception occurred at 0x1234ABCD :\r\n"
            "Invalid input\r\n"
            "  0x1234ABCD\r\n"
            "  0x00000040\r\n"
            "  0x00000050\r\n"
            "  0x00000060\r\n"
            "\r\n");
}

TEST_F(FailureReport, CallerLinesAreLimitedOnACharacterDevice) {
  fake::state.stack = {0x99};
  for (std::uintptr_t a = 1; a <= 300; ++a) fake::state.stack.push_back(a);
  const struct {
    platform::FileType output;
    std::size_t callers;
  } rows[] = {{platform::FileType::kChar, 9},
              {platform::FileType::kPipe, 257},
              {platform::FileType::kDisk, 257}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.callers);
    report().clear();
    fake::state.output_type = row.output;
    raise(216, 0x99);
    std::size_t lines = 0;
    for (std::size_t at = report().find("\r\n  0x"); at != std::string::npos;
         at = report().find("\r\n  0x", at + 1))
      ++lines;
    EXPECT_EQ(lines, 1 + row.callers);  // the location, then the callers
    EXPECT_NE(report().find("\r\nAccess violation\r\n"), std::string::npos);
  }
}

TEST_F(FailureReport, ProcessorFaultsReportTheirRunTimeErrors) {
  const struct {
    platform::Fault fault;
    const char* message;
  } rows[] = {
      {platform::Fault::kDivisionByZero, "Division by zero"},
      {platform::Fault::kRangeCheck, "Range check error"},
      {platform::Fault::kOverflow, "Floating point overflow"},
      {platform::Fault::kUnderflow, "Floating point underflow"},
      {platform::Fault::kInvalidOperation, "Invalid floating point operation"},
      {platform::Fault::kIntegerOverflow, "Arithmetic overflow"},
      {platform::Fault::kAccessViolation, "Access violation"},
  };
  ASSERT_NE(fake::state.fault_handler, nullptr);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.message);
    report().clear();
    std::uint32_t exit_code = 0;
    try {
      fake::state.fault_handler(row.fault, 0x1234ABCD);
    } catch (const fake::ExitCalled& exit) {
      exit_code = exit.code;
    }
    EXPECT_EQ(exit_code, 217u);
    EXPECT_EQ(report(), std::string("An unhandled exception occurred at "
                                    "0x1234ABCD :\r\n") +
                            row.message + "\r\n  0x1234ABCD\r\n\r\n");
  }
}

TEST_F(FailureReport, UnwritableReportStillEnds217) {
  fake::state.fail_next_call = 6;
  EXPECT_EQ(raise(106, 0x10), 217u);
  EXPECT_EQ(report(), "");
}

TEST_F(FailureReport, UnwritableReportStillGivesTheTerminalBack) {
  static int calls = 0;
  calls = 0;
  set_exit_hook([] { ++calls; });
  fake::state.fail_next_call = 6;
  EXPECT_EQ(raise(106, 0x10), 217u);
  EXPECT_EQ(calls, 1);
}

TEST_F(FailureReport, ExitHookRunsOnceOnEveryEnd) {
  static int calls = 0;
  calls = 0;
  set_exit_hook([] { ++calls; });
  EXPECT_EQ(raise(106, 0x10), 217u);
  EXPECT_EQ(calls, 1);
  try {
    stop_program(0);
  } catch (const fake::ExitCalled& exit) {
    EXPECT_EQ(exit.code, 0u);
  }
  EXPECT_EQ(calls, 1);  // taken off once it has run
}

}  // namespace
}  // namespace runtime
