// The process on POSIX: its end, the floating-point mode of start-up,
// processor faults delivered as signals, and the return addresses and
// module offsets that the failure report prints.
#include "platform/process.h"

#include <link.h>
#include <ucontext.h>
#include <unistd.h>
#include <unwind.h>

#include <csignal>
#include <cstdint>
#include <initializer_list>

#include "platform/posix/held_output.h"
#include "platform/x86_floating_point.h"

namespace platform {
namespace {

FaultHandler fault_handler = nullptr;

// Load address of the executable (0 when it is not position-independent),
// found once at start-up: the loader's list is not safe to walk inside a
// signal handler.
std::uintptr_t load_address = 0;
bool load_address_known = false;

int first_object(dl_phdr_info* info, std::size_t, void*) {
  load_address = info->dlpi_addr;
  return 1;  // the executable comes first; stop there
}

void find_load_address() {
  if (load_address_known) return;
  dl_iterate_phdr(first_object, nullptr);
  load_address_known = true;
}

// The fault a signal reports.
Fault fault_code(int signal, int code) {
  if (signal != SIGFPE) return Fault::kAccessViolation;  // SIGSEGV, SIGBUS
  switch (code) {
    case FPE_INTDIV:
    case FPE_FLTDIV:
      return Fault::kDivisionByZero;
    case FPE_INTOVF:
      return Fault::kIntegerOverflow;
    case FPE_FLTOVF:
      return Fault::kOverflow;
    case FPE_FLTUND:
      return Fault::kUnderflow;
    case FPE_FLTSUB:
      return Fault::kRangeCheck;
    default:  // invalid operation, inexact result, unknown
      return Fault::kInvalidOperation;
  }
}

std::uintptr_t faulting_instruction([[maybe_unused]] const siginfo_t* info,
                                    void* context) {
  const auto* ucontext = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
  return static_cast<std::uintptr_t>(ucontext->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
  return static_cast<std::uintptr_t>(ucontext->uc_mcontext.pc);
#else
  (void)ucontext;
  return reinterpret_cast<std::uintptr_t>(info->si_addr);
#endif
}

void on_fault_signal(int signal, siginfo_t* info, void* context) {
  fault_handler(fault_code(signal, info->si_code),
                faulting_instruction(info, context));
}

struct Walk {
  std::uintptr_t* out;
  int capacity;
  int count;
  int to_skip;
};

_Unwind_Reason_Code walk_step(_Unwind_Context* context, void* argument) {
  auto& walk = *static_cast<Walk*>(argument);
  int before_instruction = 0;
  const std::uintptr_t address =
      _Unwind_GetIPInfo(context, &before_instruction);
  if (address == 0) return _URC_END_OF_STACK;
  if (walk.to_skip > 0) {
    --walk.to_skip;
    return _URC_NO_REASON;
  }
  walk.out[walk.count++] = address;
  return walk.count == walk.capacity ? _URC_END_OF_STACK : _URC_NO_REASON;
}

}  // namespace

void exit_process(std::uint32_t code) {
  if (posix::release_held_output != nullptr) posix::release_held_output();
  ::_exit(static_cast<int>(code));
}

void prepare_floating_point() { set_x86_floating_point(); }

void install_fault_handler(FaultHandler handler) {
  find_load_address();
  fault_handler = handler;
  // An alternate stack, so that a stack overflow is reported too.
  static std::uint8_t fault_stack[64 * 1024];
  stack_t alternate{};
  alternate.ss_sp = fault_stack;
  alternate.ss_size = sizeof fault_stack;
  sigaltstack(&alternate, nullptr);
  struct sigaction action {};
  action.sa_sigaction = on_fault_signal;
  // A fault inside the report itself ends the process by default.
  action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGFPE, SIGSEGV, SIGBUS})
    sigaction(signal, &action, nullptr);
  // A write into a closed pipe fails with EPIPE, and one past the file-size
  // limit with EFBIG, reported like any other device failure instead of
  // killing the process silently.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

int capture_return_addresses(std::uintptr_t* out, int capacity) {
  Walk walk{out, capacity, 0, 1};  // skip this routine's own frame
  if (capacity > 0) _Unwind_Backtrace(walk_step, &walk);
  return walk.count;
}

std::uintptr_t enclosing_routine(std::uintptr_t address) {
  return reinterpret_cast<std::uintptr_t>(
      _Unwind_FindEnclosingFunction(reinterpret_cast<void*>(address)));
}

std::uint32_t module_offset(std::uintptr_t address) {
  find_load_address();
  return static_cast<std::uint32_t>(address - load_address);
}

}  // namespace platform
