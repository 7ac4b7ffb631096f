// The process on Windows: its end, the floating-point mode of start-up,
// processor faults met by a vectored exception handler, and the return
// addresses and module offsets that the failure report prints, found
// through the unwind tables that every x64 executable carries.
#include "platform/process.h"

#include <windows.h>

#include <cstdint>

#include "platform/windows/fault_code.h"
#include "platform/x86_floating_point.h"

namespace platform {
namespace {

FaultHandler fault_handler = nullptr;

// Load address of the executable, found once at start-up.
std::uintptr_t load_address = 0;
bool load_address_known = false;

void find_load_address() {
  if (load_address_known) return;
  load_address = reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr));
  load_address_known = true;
}

// The machine state that the fault being reported left.  The walk for the
// report starts from it rather than from inside the exception dispatcher,
// whose frames differ from system to system.
CONTEXT fault_context;
bool fault_in_progress = false;

// Clears the raised exception flags, so that a floating-point instruction
// on the way to the report cannot raise the same exception once more.
void clear_floating_point_flags() {
  std::uint32_t mxcsr = 0;
  asm volatile("fnclex\n\tstmxcsr %0" : "=m"(mxcsr));
  mxcsr &= ~0x3Fu;
  asm volatile("ldmxcsr %0" : : "m"(mxcsr));
}

// Calls the fault handler on a stack of its own, as the POSIX backend runs
// its signal handler on an alternate stack: after a stack overflow the
// faulting stack has no room left for the report.
[[noreturn]] void report_on_own_stack(Fault fault, std::uintptr_t location) {
  alignas(16) static std::uint8_t stack[64 * 1024];
  // The callee's 32 bytes of shadow space below an aligned top; the handler
  // never returns, so nothing of the old stack is kept.
  asm volatile(
      "movq %0, %%rsp\n\t"
      "subq $32, %%rsp\n\t"
      "callq *%1\n\t"
      "ud2"
      :
      : "r"(stack + sizeof stack), "r"(fault_handler),
        "c"(static_cast<std::uint64_t>(fault)), "d"(location)
      : "memory");
  __builtin_unreachable();
}

LONG CALLBACK on_exception(EXCEPTION_POINTERS* exception) {
  const Fault fault = fault_code(exception->ExceptionRecord->ExceptionCode,
                                 exception->ContextRecord->MxCsr);
  // Exceptions that are no processor fault (a C++ throw, a debugger
  // message) belong to others; a fault inside the report itself is left
  // to the system, which ends the process.
  if (fault == Fault::kNone || fault_in_progress)
    return EXCEPTION_CONTINUE_SEARCH;
  fault_in_progress = true;
  fault_context = *exception->ContextRecord;
  clear_floating_point_flags();
  report_on_own_stack(fault, static_cast<std::uintptr_t>(fault_context.Rip));
}

bool on_this_stack(DWORD64 address) {
  ULONG_PTR low = 0;
  ULONG_PTR high = 0;
  GetCurrentThreadStackLimits(&low, &high);
  return address >= low && address < high;
}

// Moves `context` out of its routine to the return into the caller; false
// when there is no caller to be found.  Only the innermost routine may be
// a leaf without unwind data: every routine further out made a call.
bool unwind_one(CONTEXT& context, bool innermost) {
  DWORD64 image_base = 0;
  PRUNTIME_FUNCTION function =
      RtlLookupFunctionEntry(context.Rip, &image_base, nullptr);
  if (function != nullptr) {
    void* handler_data = nullptr;
    DWORD64 establisher_frame = 0;
    RtlVirtualUnwind(UNW_FLAG_NHANDLER, image_base, context.Rip, function,
                     &context, &handler_data, &establisher_frame, nullptr);
  } else if (innermost && on_this_stack(context.Rsp)) {
    context.Rip = *reinterpret_cast<const DWORD64*>(context.Rsp);
    context.Rsp += 8;
  } else {
    return false;
  }
  return context.Rip != 0 && on_this_stack(context.Rsp);
}

}  // namespace

void exit_process(std::uint32_t code) { ExitProcess(code); }

void prepare_floating_point() { set_x86_floating_point(); }

void install_fault_handler(FaultHandler handler) {
  find_load_address();
  fault_handler = handler;
  // First in line, ahead of the structured handlers of the C runtime.
  AddVectoredExceptionHandler(1, on_exception);
}

int capture_return_addresses(std::uintptr_t* out, int capacity) {
  CONTEXT context;
  int count = 0;
  if (fault_in_progress) {
    // The report of a fault: the faulting instruction, then its callers.
    context = fault_context;
    if (capacity > 0) out[count++] = static_cast<std::uintptr_t>(context.Rip);
  } else {
    RtlCaptureContext(&context);  // this routine, just after the call
  }
  bool innermost = true;
  while (count < capacity && unwind_one(context, innermost)) {
    out[count++] = static_cast<std::uintptr_t>(context.Rip);
    innermost = false;
  }
  return count;
}

std::uintptr_t enclosing_routine(std::uintptr_t address) {
  DWORD64 image_base = 0;
  const PRUNTIME_FUNCTION function =
      RtlLookupFunctionEntry(address, &image_base, nullptr);
  if (function == nullptr) return 0;
  return static_cast<std::uintptr_t>(image_base + function->BeginAddress);
}

std::uint32_t module_offset(std::uintptr_t address) {
  find_load_address();
  return static_cast<std::uint32_t>(address - load_address);
}

}  // namespace platform
