// Windows exception codes, as the system raises them, to the faults they
// report.  SSE faults all arrive as "multiple traps"; the MXCSR of the
// faulting context tells them apart.
#include "platform/windows/fault_code.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using enum platform::Fault;

// MXCSR as start-up leaves it: invalid operation, division by zero and
// overflow unmasked; denormal, underflow and inexact masked; no flag raised.
constexpr std::uint32_t kStartUpMxcsr = 0x1900;

struct Row {
  std::uint32_t exception_code;
  std::uint32_t mxcsr;
  platform::Fault expected;
};

void check(const Row& row) {
  char name[64];
  std::snprintf(name, sizeof name, "exception 0x%08lX, MXCSR 0x%04lX",
                static_cast<unsigned long>(row.exception_code),
                static_cast<unsigned long>(row.mxcsr));
  SCOPED_TRACE(name);
  EXPECT_EQ(platform::fault_code(row.exception_code, row.mxcsr), row.expected);
}

TEST(FaultCode, ProcessorFaultsAreNamed) {
  const Row rows[] = {
      {0xC0000094, kStartUpMxcsr, kDivisionByZero},  // integer division by zero
      {0xC0000095, kStartUpMxcsr, kIntegerOverflow},   // integer overflow
      {0xC000008E, kStartUpMxcsr, kDivisionByZero},    // x87 division by zero
      {0xC0000091, kStartUpMxcsr, kOverflow},          // x87 overflow
      {0xC0000093, kStartUpMxcsr, kUnderflow},         // x87 underflow
      {0xC0000090, kStartUpMxcsr, kInvalidOperation},  // x87 invalid operation
      {0xC000008D, kStartUpMxcsr, kInvalidOperation},  // x87 denormal operand
      {0xC000008F, kStartUpMxcsr, kInvalidOperation},  // x87 inexact result
      {0xC0000092, kStartUpMxcsr, kInvalidOperation},  // x87 stack check
      {0xC000008C, kStartUpMxcsr, kRangeCheck},        // array bounds exceeded
      {0xC0000005, kStartUpMxcsr, kAccessViolation},   // access violation
      {0xC0000006, kStartUpMxcsr, kAccessViolation},   // in-page error
      {0xC00000FD, kStartUpMxcsr, kAccessViolation},   // stack overflow
  };
  for (const Row& row : rows) check(row);
}

TEST(FaultCode, SseFaultsAreToldApartByTheirUnmaskedFlag) {
  const Row rows[] = {
      {0xC00002B5, kStartUpMxcsr | 0x04, kDivisionByZero},
      {0xC00002B5, kStartUpMxcsr | 0x01, kInvalidOperation},
      // Overflow raises inexact too, which is masked.
      {0xC00002B5, kStartUpMxcsr | 0x08 | 0x20, kOverflow},
      // Invalid operation comes first when more than one flag is up.
      {0xC00002B5, kStartUpMxcsr | 0x01 | 0x04, kInvalidOperation},
      // Unless a program masked it (bit 7): its sticky flag is passed over.
      {0xC00002B5, kStartUpMxcsr | 0x80 | 0x01 | 0x04, kDivisionByZero},
      // Underflow, once a program unmasks it (bit 11 clear).
      {0xC00002B5, (kStartUpMxcsr & ~0x800u) | 0x10 | 0x20, kUnderflow},
      // The faults variant of the same report.
      {0xC00002B4, kStartUpMxcsr | 0x04, kDivisionByZero},
  };
  for (const Row& row : rows) check(row);
}

TEST(FaultCode, OtherExceptionsAreLeftToTheirOwners) {
  const Row rows[] = {
      {0x20474343, kStartUpMxcsr, kNone},  // a C++ exception thrown by GCC code
      {0xE06D7363, kStartUpMxcsr, kNone},  // the same from MSVC code
      {0x40010006, kStartUpMxcsr, kNone},  // a debug string for the debugger
      {0x80000003, kStartUpMxcsr, kNone},  // breakpoint
      {0xC000001D, kStartUpMxcsr, kNone},  // illegal instruction
      {0x40010005, kStartUpMxcsr, kNone},  // Ctrl-C, for the default handling
  };
  for (const Row& row : rows) check(row);
}

}  // namespace
