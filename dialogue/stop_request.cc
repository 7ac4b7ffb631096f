// The stop request.  Asking the console for keys is a system call, which
// would cost as much as a small tuple; so the poll counts tuples down
// between readings of the millisecond tick count, and asks only when the
// tick has moved.  The stride of the countdown adapts to the pace of the
// run: doubled while a stride passes within one tick, halved when it takes
// more than one.
#include "dialogue/stop_request.h"

#include "dialogue/experiment.h"
#include "dialogue/statements.h"
#include "runtime/clock.h"
#include "terminal/key_codes.h"

namespace dialogue {
namespace {

// Polls between asks when the tick count stands still (a coarse clock):
// still well under a millisecond's worth of the smallest tuples.
constexpr std::int32_t kLongestStride = 1 << 16;

KeyWaiting key_waiting = nullptr;
ReadKey read_key = nullptr;

struct Pace {
  std::int32_t stride = 1;     // polls between readings of the tick
  std::uint32_t last_ask = 0;  // tick count when the console was asked
  bool read_yet = false;       // whether this run has read the tick
};

Pace pace;

// Reads the tick count; true when the console is to be asked now.
bool time_to_ask() {
  const std::uint32_t now = runtime::read_tick_count();
  const std::uint32_t elapsed = now - pace.last_ask;
  const bool first = !pace.read_yet;
  pace.read_yet = true;
  if (!first && elapsed == 0 && pace.stride < kLongestStride) {
    pace.stride *= 2;
    stop_detail::countdown = pace.stride;
    return false;
  }
  if (elapsed > 1 && pace.stride > 1) pace.stride /= 2;
  pace.last_ask = now;
  stop_detail::countdown = pace.stride;
  return true;
}

}  // namespace

std::int32_t stop_detail::countdown = 1;

void connect_stop_keys(KeyWaiting waiting, ReadKey read) {
  key_waiting = waiting;
  read_key = read;
}

void start_stop_polling() {
  pace = Pace{};
  stop_detail::countdown = 1;
}

void stop_detail::poll_due() {
  if (!time_to_ask() || key_waiting == nullptr || !key_waiting()) return;
  const std::uint8_t first = read_key();
  const std::uint8_t second = first == terminal::key::kTwoPart ? read_key() : 0;
  if (first == terminal::key::kTwoPart && second == terminal::key::kAltR) {
    write_line(" Entering into stop mode ..., please wait");
    experiment.stop_requested = true;
  }
}

}  // namespace dialogue
