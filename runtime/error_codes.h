// The numbers of run-time errors and the exit codes of the programs, each
// defined here once.  Codes below 100 are operating-system error numbers
// passed through as they come (platform/standard_io.h names those the
// programs meet); the runtime's own start at 100.
#pragma once

#include <cstdint>

namespace runtime {

namespace error {

// Input and output, recorded in io_error.
inline constexpr std::uint16_t kReadPastEnd = 100;
inline constexpr std::uint16_t kDiskFull = 101;         // a write came up short
inline constexpr std::uint16_t kFileNotAssigned = 102;  // corrupt mode
inline constexpr std::uint16_t kFileNotOpen = 103;
inline constexpr std::uint16_t kNotOpenForInput = 104;
inline constexpr std::uint16_t kNotOpenForOutput = 105;
inline constexpr std::uint16_t kInvalidInput = 106;
// The first of the critical errors 150..162, the system's errors 19..31
// (write protect ... general failure) moved up by 131.
inline constexpr std::uint16_t kFirstCriticalError = 150;

// The processor faults, and the errors the report has texts for.
inline constexpr std::uint16_t kDivisionByZero = 200;
inline constexpr std::uint16_t kRangeCheck = 201;
inline constexpr std::uint16_t kOutOfMemory = 203;
inline constexpr std::uint16_t kInvalidPointer = 204;
inline constexpr std::uint16_t kFloatingPointOverflow = 205;
inline constexpr std::uint16_t kFloatingPointUnderflow = 206;
inline constexpr std::uint16_t kInvalidFloatingPointOperation = 207;
inline constexpr std::uint16_t kAbstractMethodCalled = 211;
inline constexpr std::uint16_t kArithmeticOverflow = 215;  // integer
inline constexpr std::uint16_t kAccessViolation = 216;
inline constexpr std::uint16_t kInvalidTypeCast = 219;
inline constexpr std::uint16_t kAssertionFailed = 227;

}  // namespace error

namespace exit_code {

inline constexpr std::uint16_t kNormal = 0;
// quintrel's terminal layer found no console to start on.
inline constexpr std::uint16_t kStartFailed = 1;
// Every error once the exception layer is installed ends with this code,
// after the report; before that the plain report ends with the error's
// own number.
inline constexpr std::uint16_t kUnhandledException = 217;

}  // namespace exit_code

}  // namespace runtime
