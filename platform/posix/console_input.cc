// Console input on POSIX: the bytes a terminal sends, read without waiting,
// decoded into key events by key_decoder.cc.  A sequence that has begun
// waits for its rest; an ESC followed by 30 ms of quiet is the Esc key, a
// terminal's answer cut short is dropped after 500 ms.  Nothing is
// allocated: bytes and events live in fixed tables, the bytes' room as
// large as the longest sequence the decoder waits for.
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "platform/console.h"
#include "platform/posix/held_output.h"
#include "platform/posix/key_decoder.h"
#include "platform/posix/terminal_device.h"

namespace platform {
namespace {

constexpr std::size_t kByteCapacity = posix::kRunawayLimit;
constexpr std::size_t kEventCapacity = 64;
constexpr long kShortQuietMilliseconds = 30;
constexpr long kLongQuietMilliseconds = 500;

std::uint8_t bytes[kByteCapacity];
std::size_t byte_count = 0;
long last_arrival = 0;  // milliseconds, monotonic

InputEvent events[kEventCapacity];
std::size_t first_event = 0;
std::size_t event_count = 0;

// The descriptor last asked about, and whether it is a terminal.
int checked_descriptor = -1;
bool checked_is_terminal = false;

long milliseconds_now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Asking for keys is where held-back output goes out: at least once a
// millisecond while a run polls for its stop key, and before every wait.
void release_output() {
  if (posix::release_held_output != nullptr) posix::release_held_output();
}

bool terminal_input(int descriptor) {
  if (descriptor != checked_descriptor) {
    checked_descriptor = descriptor;
    checked_is_terminal = posix::take_terminal(descriptor);
  }
  return checked_is_terminal;
}

void add_bytes(const std::uint8_t* data, std::size_t count) {
  if (count > kByteCapacity - byte_count) count = kByteCapacity - byte_count;
  if (count == 0) return;
  std::memcpy(bytes + byte_count, data, count);
  byte_count += count;
  last_arrival = milliseconds_now();
}

// Reads what the terminal has sent so far, without waiting.  A terminal
// that has gone away (end of input, an error) is a hang-up.
void take_available(int descriptor) {
  while (byte_count < kByteCapacity) {
    pollfd look{descriptor, POLLIN, 0};
    const int ready = ::poll(&look, 1, 0);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return;
    if ((look.revents & POLLIN) == 0) posix::die_of(SIGHUP);
    const ssize_t got =
        ::read(descriptor, bytes + byte_count, kByteCapacity - byte_count);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) posix::die_of(SIGHUP);
    byte_count += static_cast<std::size_t>(got);
    last_arrival = milliseconds_now();
  }
}

posix::Quiet quiet_now() {
  const long quiet = milliseconds_now() - last_arrival;
  if (quiet >= kLongQuietMilliseconds) return posix::Quiet::kLong;
  if (quiet >= kShortQuietMilliseconds) return posix::Quiet::kShort;
  return posix::Quiet::kNo;
}

void decode_available() {
  if (byte_count == 0) return;
  const posix::Quiet quiet = quiet_now();
  while (byte_count > 0 && event_count < kEventCapacity) {
    const posix::DecodedKey decoded =
        posix::decode_key({bytes, byte_count}, quiet);
    if (decoded.status == posix::DecodedKey::Status::kNeedMore) return;
    if (decoded.status == posix::DecodedKey::Status::kKey)
      events[(first_event + event_count++) % kEventCapacity] = decoded.event;
    std::memmove(bytes, bytes + decoded.consumed,
                 byte_count - decoded.consumed);
    byte_count -= decoded.consumed;
  }
}

}  // namespace

namespace posix {

void keep_typeahead(int descriptor, const std::uint8_t* data,
                    std::size_t count) {
  if (count > 0 && same_terminal(descriptor, STDIN_FILENO))
    add_bytes(data, count);
}

}  // namespace posix

bool count_input_events(Handle input, std::uint32_t& count) {
  release_output();
  const int descriptor = static_cast<int>(input);
  if (!terminal_input(descriptor)) return false;
  take_available(descriptor);
  decode_available();
  count = static_cast<std::uint32_t>(event_count);
  return true;
}

bool read_input_event(Handle input, InputEvent& event) {
  release_output();
  const int descriptor = static_cast<int>(input);
  if (!terminal_input(descriptor)) return false;
  for (;;) {
    take_available(descriptor);
    decode_available();
    if (event_count > 0) {
      event = events[first_event];
      first_event = (first_event + 1) % kEventCapacity;
      --event_count;
      return true;
    }
    // Wait for bytes, or for the quiet that completes a lone ESC or ends
    // an unfinished sequence.
    int timeout = -1;
    if (byte_count > 0) {
      const long quiet = quiet_now() == posix::Quiet::kNo
                             ? kShortQuietMilliseconds
                             : kLongQuietMilliseconds;
      const long left = last_arrival + quiet - milliseconds_now();
      timeout = left < 1 ? 1 : static_cast<int>(left);
    }
    pollfd wait{descriptor, POLLIN, 0};
    ::poll(&wait, 1, timeout);
  }
}

void pause_for(std::uint32_t milliseconds) {
  release_output();
  timespec left{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000};
  while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

}  // namespace platform
