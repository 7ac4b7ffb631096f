// The simulated platform behind the unit tests; see fake_platform.h.
#include "tests/fakes/fake_platform.h"

#include <cstring>

#include "runtime/run_time_error.h"

namespace fake {

PlatformState state;

void reset() { state = PlatformState{}; }

namespace {

// Consumes the failure switch; true when this call must fail.
bool failing() {
  if (state.fail_next_call == 0) return false;
  state.error = state.fail_next_call;
  state.fail_next_call = 0;
  return true;
}

}  // namespace
}  // namespace fake

namespace platform {

Handle standard_handle(StandardHandle which) {
  switch (which) {
    case StandardHandle::kInput:
      return fake::kInput;
    case StandardHandle::kOutput:
      return fake::kOutput;
    case StandardHandle::kError:
      return fake::kError;
  }
  return kNoHandle;
}

bool write_file(Handle handle, const std::uint8_t* data, std::uint32_t count,
                std::uint32_t& written) {
  written = 0;
  if (fake::failing()) return false;
  written = count < fake::state.accept_limit ? count : fake::state.accept_limit;
  fake::state.written[handle].append(reinterpret_cast<const char*>(data),
                                     written);
  ++fake::state.write_calls[handle];
  return true;
}

bool read_file(Handle, std::uint8_t* data, std::uint32_t count,
               std::uint32_t& got) {
  got = 0;
  if (fake::failing()) return false;
  if (fake::state.reads.empty()) return true;
  std::string& piece = fake::state.reads.front();
  got = piece.size() < count ? static_cast<std::uint32_t>(piece.size())
                             : count;
  std::memcpy(data, piece.data(), got);
  piece.erase(0, got);
  if (piece.empty()) fake::state.reads.pop_front();
  return true;
}

bool close_handle(Handle) {
  ++fake::state.closed;
  return !fake::failing();
}

FileType file_type(Handle handle) {
  return handle == fake::kInput ? FileType::kPipe : fake::state.output_type;
}

std::uint32_t last_error() { return fake::state.error; }

void exit_process(std::uint32_t code) { throw fake::ExitCalled{code}; }

void read_local_time(LocalTime& record) { record = fake::state.local_time; }

std::uint32_t read_tick_count() { return fake::state.tick_count; }

void prepare_floating_point() {}

void install_fault_handler(FaultHandler handler) {
  fake::state.fault_handler = handler;
}

int capture_return_addresses(std::uintptr_t* out, int capacity) {
  int count = 0;
  for (std::uintptr_t address : fake::state.stack) {
    if (count == capacity) break;
    out[count++] = address;
  }
  return count;
}

std::uintptr_t enclosing_routine(std::uintptr_t address) {
  if (fake::state.startup_return != 0 &&
      address + 1 == fake::state.startup_return)
    return reinterpret_cast<std::uintptr_t>(&runtime::run_program);
  return 0;
}

std::uint32_t module_offset(std::uintptr_t address) {
  return static_cast<std::uint32_t>(address);
}

}  // namespace platform
