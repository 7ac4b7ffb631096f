// Windows exception codes to run-time error codes; see fault_code.h.
#include "platform/windows/fault_code.h"

#include <windows.h>

namespace platform {
namespace {

// An SSE fault: the first raised flag that is not masked names it.  The
// flags sit in bits 0 to 5 of MXCSR, their masks seven bits higher.
Fault sse_fault_code(std::uint32_t mxcsr) {
  const std::uint32_t raised = mxcsr & ~(mxcsr >> 7) & 0x3Fu;
  if (raised & 0x01u) return Fault::kInvalidOperation;
  if (raised & 0x04u) return Fault::kDivisionByZero;
  if (raised & 0x08u) return Fault::kOverflow;
  if (raised & 0x10u) return Fault::kUnderflow;
  // Denormal operand, inexact result, or no flag at all.
  return Fault::kInvalidOperation;
}

}  // namespace

Fault fault_code(std::uint32_t exception_code, std::uint32_t mxcsr) {
  switch (exception_code) {
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
      return Fault::kDivisionByZero;
    case EXCEPTION_INT_OVERFLOW:
      return Fault::kIntegerOverflow;
    case EXCEPTION_FLT_OVERFLOW:
      return Fault::kOverflow;
    case EXCEPTION_FLT_UNDERFLOW:
      return Fault::kUnderflow;
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
      return Fault::kRangeCheck;
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_STACK_CHECK:
      return Fault::kInvalidOperation;
    case STATUS_FLOAT_MULTIPLE_TRAPS:
    case STATUS_FLOAT_MULTIPLE_FAULTS:
      return sse_fault_code(mxcsr);
    // A stack overflow is a touch of the guard page, as on POSIX.
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_STACK_OVERFLOW:
      return Fault::kAccessViolation;
    default:
      return Fault::kNone;
  }
}

}  // namespace platform
