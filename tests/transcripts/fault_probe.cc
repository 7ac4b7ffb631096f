// A test program: the programs' start-up, then the processor fault its
// argument names (divide, float-divide, x87-divide, invalid, overflow,
// access), so the tests can watch a fault take the path of a run-time
// error.  "early" fails before the exception layer exists, which gives the
// plain report.
#include <cstring>

#include "runtime/run_time_error.h"
#include "runtime/text_channel.h"

namespace {

const char* fault = "";

// The faults are the point: keep the sanitizers of a checking build out.
[[gnu::noinline, gnu::no_sanitize("undefined")]] void provoke() {
  volatile int zero_int = 0;
  volatile int hundred = 100;
  volatile double zero = 0.0;
  volatile double large = 1e308;
  volatile long double x87_zero = 0.0L;  // extended: x87, not SSE
  volatile int* volatile nowhere = nullptr;
  if (std::strcmp(fault, "divide") == 0) zero_int = hundred / zero_int;
  if (std::strcmp(fault, "float-divide") == 0) zero = 1.0 / zero;
  if (std::strcmp(fault, "x87-divide") == 0) x87_zero = 1.0L / x87_zero;
  if (std::strcmp(fault, "invalid") == 0) zero = zero / zero;
  if (std::strcmp(fault, "overflow") == 0) large = large * 10.0;
  if (std::strcmp(fault, "access") == 0) *nowhere = 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) fault = argv[1];
  if (std::strcmp(fault, "early") == 0) {
    runtime::bind_standard_channels();
    runtime::TextChannel channel;
    runtime::open_standard_channel(channel, runtime::ChannelMode::kClosed, 1);
  }
  runtime::run_program(provoke, nullptr);
}
