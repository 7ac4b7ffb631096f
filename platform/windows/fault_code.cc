// Windows exception codes to run-time error codes; see fault_code.h.
#include "platform/windows/fault_code.h"

#include <windows.h>

namespace platform {
namespace {

// An SSE fault: the first raised flag that is not masked names it.  The
// flags sit in bits 0 to 5 of MXCSR, their masks seven bits higher.
std::uint16_t sse_fault_code(std::uint32_t mxcsr) {
  const std::uint32_t raised = mxcsr & ~(mxcsr >> 7) & 0x3Fu;
  if (raised & 0x01u) return 207;  // invalid operation
  if (raised & 0x04u) return 200;  // division by zero
  if (raised & 0x08u) return 205;  // overflow
  if (raised & 0x10u) return 206;  // underflow
  return 207;  // denormal operand, inexact result, or no flag at all
}

}  // namespace

std::uint16_t fault_code(std::uint32_t exception_code, std::uint32_t mxcsr) {
  switch (exception_code) {
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
      return 200;
    case EXCEPTION_INT_OVERFLOW:
      return 215;
    case EXCEPTION_FLT_OVERFLOW:
      return 205;
    case EXCEPTION_FLT_UNDERFLOW:
      return 206;
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
      return 201;
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_STACK_CHECK:
      return 207;
    case STATUS_FLOAT_MULTIPLE_TRAPS:
    case STATUS_FLOAT_MULTIPLE_FAULTS:
      return sse_fault_code(mxcsr);
    // A stack overflow is a touch of the guard page, as on POSIX.
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_STACK_OVERFLOW:
      return 216;
    default:
      return 0;
  }
}

}  // namespace platform
