// A simulated operating system for unit tests: captured output per handle,
// scripted input, a settable clock and tick count, a switch that makes the
// next device call fail, and an exit that throws instead of ending the
// test binary.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/process.h"
#include "platform/standard_io.h"

namespace fake {

inline constexpr platform::Handle kInput = 0;
inline constexpr platform::Handle kOutput = 1;
inline constexpr platform::Handle kError = 2;

struct PlatformState {
  std::map<platform::Handle, std::string> written;  // bytes per handle
  std::map<platform::Handle, int> write_calls;      // device writes per handle
  std::deque<std::string> reads;  // each read_file returns the next piece;
                                  // none left means end of input
  platform::FileType output_type = platform::FileType::kPipe;
  std::uint32_t fail_next_call = 0;  // error code for the next device call
  std::uint32_t accept_limit = 0xFFFFFFFF;  // bytes a write takes at most
  std::uint32_t error = 0;                  // what last_error answers
  platform::LocalTime local_time{2026, 12, 7, 0, 0, 0, 0};
  std::uint32_t tick_count = 0;
  int closed = 0;  // close_handle calls
  std::vector<std::uintptr_t> stack;  // what capture_return_addresses gives
  std::uintptr_t startup_return = 0;  // the entry of `stack` that returns
                                      // into the start-up code
  platform::FaultHandler fault_handler = nullptr;  // as installed
};

extern PlatformState state;

// Resets the state above to its defaults.
void reset();

// Thrown by platform::exit_process.
struct ExitCalled {
  std::uint32_t code;
};

}  // namespace fake
