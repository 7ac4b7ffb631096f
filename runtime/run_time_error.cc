// Run-time errors, the unhandled-exception report and the exit sequence.
// Nothing in the programs catches an error: once start-up has installed
// the exception layer, every error ends in the report below and exit code
// 217.  The report's addresses are offsets into the executable, so that
// addr2line names the statement that failed and each routine's caller.
#include "runtime/run_time_error.h"

#include <cstdint>
#include <initializer_list>

#include "platform/process.h"
#include "platform/standard_io.h"
#include "runtime/number_format.h"
#include "runtime/text_channel.h"

namespace runtime {
namespace {

struct ErrorText {
  std::uint16_t code;
  const char* message;
};

// The system's numbers below 100 stand as they come (see error_codes.h).
constexpr ErrorText kErrorTexts[] = {
    {1, "Out of memory"},
    {error::kOutOfMemory, "Out of memory"},
    {error::kInvalidPointer, "Invalid pointer operation"},
    {2, "File not found"},
    {3, "Invalid filename"},
    {4, "Too many open files"},
    {5, "Access denied"},
    {6, "Invalid file handle"},
    {15, "Invalid drive specified"},
    {error::kReadPastEnd, "Read past end of file"},
    {error::kDiskFull, "Disk Full"},
    {error::kFileNotAssigned, "File not assigned"},
    {error::kFileNotOpen, "File not open"},
    {error::kNotOpenForInput, "File not open for input"},
    {error::kNotOpenForOutput, "File not open for output"},
    {error::kInvalidInput, "Invalid input"},
    {error::kDivisionByZero, "Division by zero"},
    {error::kRangeCheck, "Range check error"},
    {error::kFloatingPointOverflow, "Floating point overflow"},
    {error::kFloatingPointUnderflow, "Floating point underflow"},
    {error::kInvalidFloatingPointOperation, "Invalid floating point operation"},
    {error::kAbstractMethodCalled, "Abstract method called"},
    {error::kArithmeticOverflow, "Arithmetic overflow"},
    {error::kAccessViolation, "Access violation"},
    {error::kInvalidTypeCast, "Invalid type cast"},
    {error::kAssertionFailed, "Assertion failed"},
};

constexpr int kCallersOnCharDevice = 9;
constexpr int kCallersElsewhere = 257;

bool exception_layer_installed = false;
ExitHook exit_hook = nullptr;

// Recorded only when an error arrives before the exception layer exists.
bool error_recorded = false;
std::uint16_t error_code = 0;
std::uintptr_t error_location = 0;

// "0x" and eight upper-case hexadecimal digits of the module offset.
ShortString hex_location(std::uintptr_t address) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::uint32_t offset = platform::module_offset(address);
  ShortString text;
  text.append('0');
  text.append('x');
  for (int shift = 28; shift >= 0; shift -= 4)
    text.append(kDigits[(offset >> shift) & 0xF]);
  return text;
}

// Ends a report line.  A report that cannot be written is abandoned: the
// program still ends with the report's exit code, through the exit
// sequence, so that the exit hook gives the terminal back.
void end_report_line(std::uint16_t exit_code) {
  end_write_line(standard_output_channel);
  if (io_error == 0) return;
  io_error = 0;
  error_recorded = false;
  stop_program(exit_code);
}

void write_report_line(std::initializer_list<std::string_view> pieces,
                       std::uint16_t exit_code) {
  for (std::string_view piece : pieces)
    write_string(standard_output_channel, 0, piece);
  end_report_line(exit_code);
}

// The back-trace lines: the error location, then the return address of
// each active routine outwards, ending with the return into run_program.
void write_back_trace(std::uintptr_t location, std::uint16_t exit_code) {
  write_report_line({"  ", hex_location(location).view()}, exit_code);
  constexpr int kCapacity = kCallersElsewhere + 64;
  std::uintptr_t stack[kCapacity];
  const int count = platform::capture_return_addresses(stack, kCapacity);
  int next = 0;
  while (next < count && stack[next] != location) ++next;
  if (next == count) return;  // location not on this stack: no callers
  ++next;
  const bool on_char_device =
      platform::file_type(standard_output_channel.handle) ==
      platform::FileType::kChar;
  const int limit = on_char_device ? kCallersOnCharDevice : kCallersElsewhere;
  const auto startup = reinterpret_cast<std::uintptr_t>(&run_program);
  for (int shown = 0; shown < limit && next < count && stack[next] != 0;
       ++shown, ++next) {
    write_report_line({"  ", hex_location(stack[next]).view()}, exit_code);
    // Return addresses point after the call; look up the call itself.
    if (platform::enclosing_routine(stack[next] - 1) == startup) break;
  }
}

[[noreturn]] void report_unhandled(std::uint16_t code,
                                   std::uintptr_t location) {
  constexpr std::uint16_t kExitCode = exit_code::kUnhandledException;
  io_error = 0;
  char scratch[40];
  write_report_line({"An unhandled exception occurred at ",
                     hex_location(location).view(), " :"},
                    kExitCode);
  write_report_line({error_message(code, scratch)}, kExitCode);
  write_back_trace(location, kExitCode);
  end_report_line(kExitCode);
  stop_program(kExitCode);
}

// The run-time error that a processor fault reports.
std::uint16_t fault_error(platform::Fault fault) {
  switch (fault) {
    case platform::Fault::kDivisionByZero:
      return error::kDivisionByZero;
    case platform::Fault::kRangeCheck:
      return error::kRangeCheck;
    case platform::Fault::kOverflow:
      return error::kFloatingPointOverflow;
    case platform::Fault::kUnderflow:
      return error::kFloatingPointUnderflow;
    case platform::Fault::kIntegerOverflow:
      return error::kArithmeticOverflow;
    case platform::Fault::kAccessViolation:
      return error::kAccessViolation;
    case platform::Fault::kNone:  // never delivered
    case platform::Fault::kInvalidOperation:
      break;
  }
  return error::kInvalidFloatingPointOperation;
}

void on_processor_fault(platform::Fault fault, std::uintptr_t location) {
  raise_run_time_error(fault_error(fault), location);
}

}  // namespace

std::string_view error_message(std::uint16_t code, char (&scratch)[40]) {
  for (const ErrorText& entry : kErrorTexts)
    if (entry.code == code) return entry.message;
  const std::string_view prefix = "Unknown Run-Time error : ";
  std::size_t length = 0;
  for (char c : prefix) scratch[length++] = c;
  const ShortString digits = format_integer(code);
  for (int i = digits.length; i < 3; ++i) scratch[length++] = '0';
  for (char c : digits.view()) scratch[length++] = c;
  return {scratch, length};
}

void check_io() {
  if (io_error == 0) return;
  const std::uint16_t code = io_error;
  io_error = 0;
  raise_run_time_error(
      code, reinterpret_cast<std::uintptr_t>(__builtin_return_address(0)));
}

void raise_run_time_error(std::uint16_t code, std::uintptr_t location) {
  if (exception_layer_installed) report_unhandled(code, location);
  error_recorded = true;
  error_code = code;
  error_location = location;
  stop_program(code);
}

void install_exception_layer() {
  exception_layer_installed = true;
  platform::install_fault_handler(on_processor_fault);
}

void set_exit_hook(ExitHook hook) { exit_hook = hook; }

void stop_program(std::uint16_t exit_code) {
  if (exit_hook != nullptr) {
    const ExitHook hook = exit_hook;
    exit_hook = nullptr;  // a failure inside the hook must not loop
    hook();
  }
  if (error_recorded) {
    error_recorded = false;
    io_error = 0;
    write_report_line({"Runtime error ", format_integer(error_code).view(),
                       " at ", hex_location(error_location).view()},
                      exit_code);
    write_back_trace(error_location, exit_code);
    end_report_line(exit_code);
  }
  platform::exit_process(exit_code);
}

void run_program(void (*program)(), void (*start_hook)()) {
  platform::prepare_floating_point();
  bind_standard_channels();
  install_exception_layer();
  if (start_hook != nullptr) start_hook();
  program();
  stop_program(exit_code::kNormal);
}

}  // namespace runtime
