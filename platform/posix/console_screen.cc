// The console screen on POSIX: a terminal, reached through standard output
// or /dev/tty, drawn on with the sequences of screen_encoding.cc.  Output
// is held back until the cursor is placed, so that a whole statement goes
// out in one write, and then still while the last write is less than a
// millisecond old: a run writes a progress mark every few microseconds,
// and a write to a terminal costs about as much as 256 small tuples.
// What is held goes out before any wait for input (held_output.h).
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/console.h"
#include "platform/posix/held_output.h"
#include "platform/posix/own_descriptor.h"
#include "platform/posix/screen_encoding.h"
#include "platform/posix/terminal_device.h"

namespace platform {
namespace {

// How long the terminal may take to answer a cursor position request: a
// link to a distant host takes half a second there and back.
constexpr int kAnswerMilliseconds = 1000;
// ESC [ 32767 ; 32767 R
constexpr std::size_t kLongestReport = 15;
// How long placed output may wait for the next write.
constexpr long kHoldNanoseconds = 1000000;

posix::ScreenOutput output;
int output_descriptor = -1;  // the terminal the held-back bytes are for
int screen_width = 80;       // as last queried
int screen_height = 25;
int answer_descriptor = -1;    // where the terminal's answers are read
int answers_for = -1;          // the screen descriptor answer_descriptor serves
bool terminal_answers = true;  // false once a request went unanswered
bool answer_missing = false;   // and its answer may still come
long last_write = 0;           // nanoseconds, monotonic

bool write_all(int descriptor, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(descriptor, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

long nanoseconds_now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool flush() {
  const std::string_view bytes = output.pending();
  output.clear();
  if (bytes.empty() || output_descriptor < 0) return true;
  last_write = nanoseconds_now();
  return write_all(output_descriptor, bytes.data(), bytes.size());
}

void flush_held() { flush(); }

// Every screen operation starts here: output for another descriptor goes
// out first.
void prepare(int descriptor) {
  posix::release_held_output = flush_held;
  if (descriptor != output_descriptor) {
    flush();
    output_descriptor = descriptor;
    output.forget_cursor();
  }
}

bool inside(CellPosition cell) {
  return cell.x >= 0 && cell.y >= 0 && cell.x < screen_width &&
         cell.y < screen_height;
}

// A descriptor that reads what the terminal behind `screen` answers: the
// same one unless it was opened for writing only.
int answer_reader(int screen) {
  if (answers_for == screen) return answer_descriptor;
  answers_for = screen;
  answer_descriptor = screen;
  const int flags = fcntl(screen, F_GETFL);
  if (flags >= 0 && (flags & O_ACCMODE) == O_WRONLY) {
    const char* name = ttyname(screen);
    answer_descriptor =
        name == nullptr ? -1
                        : posix::open_own_descriptor(name, O_RDONLY | O_NOCTTY);
  }
  return answer_descriptor;
}

long milliseconds_now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Asks the terminal where its cursor is, and reads the answer whole up to
// the deadline, however it is split.  Keys typed before or around the
// answer are kept for the key input.  The request goes out ahead of any
// held output, which is written after the answer.
bool ask_cursor(int screen, int& x, int& y) {
  if (!terminal_answers) return false;
  const int reader = answer_reader(screen);
  if (reader < 0) return false;
  const std::string_view request = posix::kCursorPositionRequest;
  if (!write_all(screen, request.data(), request.size())) return false;
  std::uint8_t got[256];
  std::size_t length = 0;
  const long deadline = milliseconds_now() + kAnswerMilliseconds;
  for (;;) {
    const long remaining = deadline - milliseconds_now();
    if (remaining <= 0) break;
    pollfd wait{reader, POLLIN, 0};
    const int ready = ::poll(&wait, 1, static_cast<int>(remaining));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    if (length == sizeof got) {
      // Full of typed keys: they go on to the key input, all but what may
      // be the start of the answer, which is never longer.
      const std::size_t handed = length - kLongestReport;
      posix::keep_typeahead(reader, got, handed);
      length -= handed;
      std::memmove(got, got + handed, length);
    }
    const ssize_t count = ::read(reader, got + length, sizeof got - length);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    length += static_cast<std::size_t>(count);
    std::size_t start = 0, size = 0;
    const std::string_view text(reinterpret_cast<const char*>(got), length);
    if (posix::find_cursor_report(text, x, y, start, size)) {
      posix::keep_typeahead(reader, got, start);
      posix::keep_typeahead(reader, got + start + size, length - start - size);
      return true;
    }
  }
  // No answer in time: later queries do not wait again, and an answer that
  // still comes reaches the key decoder, which drops it, or is drained
  // before the terminal is given back.
  terminal_answers = false;
  answer_missing = true;
  posix::keep_typeahead(reader, got, length);
  return false;
}

// A late answer must not reach whoever reads the terminal after us (a
// shell would show it), so what the terminal has sent and nobody read is
// thrown away.
void drain_missing_answer() {
  if (!answer_missing || answer_descriptor < 0) return;
  answer_missing = false;
  tcflush(answer_descriptor, TCIFLUSH);
}

}  // namespace

Handle open_console_screen() {
  const int descriptor =
      posix::open_own_descriptor("/dev/tty", O_RDWR | O_NOCTTY);
  return descriptor < 0 ? kNoHandle : descriptor;
}

bool query_screen(Handle screen, ScreenInfo& info) {
  const int descriptor = static_cast<int>(screen);
  winsize size{};
  if (::ioctl(descriptor, TIOCGWINSZ, &size) != 0) return false;
  if (!posix::take_terminal(descriptor)) return false;
  prepare(descriptor);
  // A terminal that does not know its size (a bare serial line) gets the
  // classic one; the coordinates must fit the console's 16 bits.
  screen_width = size.ws_col == 0      ? 80
                 : size.ws_col > 32767 ? 32767
                                       : size.ws_col;
  screen_height = size.ws_row == 0      ? 25
                  : size.ws_row > 32767 ? 32767
                                        : size.ws_row;
  int x = 0, y = screen_height - 1;
  if (ask_cursor(descriptor, x, y) && x < screen_width && y < screen_height) {
    // Output held back still moves the cursor from there.
    if (output.pending().empty()) output.cursor_is(x, y);
  } else {
    x = 0;
    y = screen_height - 1;
  }
  info.size = {static_cast<std::int16_t>(screen_width),
               static_cast<std::int16_t>(screen_height)};
  info.cursor = {static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)};
  info.attributes = 7;
  return true;
}

bool screen_changed(Handle screen) {
  prepare(static_cast<int>(screen));
  // Both flags are taken, so that one question answers for both.
  const bool continued = posix::continued_since_last_asked();
  const bool resized = posix::resized_since_last_asked();
  if (!continued && !resized) return false;
  output.forget_cursor();
  return true;
}

bool write_cell(Handle screen, CellPosition cell, std::uint8_t character,
                std::uint16_t) {
  prepare(static_cast<int>(screen));
  if (!inside(cell)) return false;
  output.cell(cell.x, cell.y, character, screen_width);
  if (output.nearly_full()) return flush();
  return true;
}

bool scroll_screen(Handle screen, const CellRectangle& move,
                   const CellRectangle& clip, CellPosition destination,
                   std::uint8_t, std::uint16_t) {
  prepare(static_cast<int>(screen));
  const auto whole_screen = [](const CellRectangle& r) {
    return r.left == 0 && r.top == 0 && r.right == screen_width - 1 &&
           r.bottom == screen_height - 1;
  };
  if (!whole_screen(move) || !whole_screen(clip) || destination.x != 0 ||
      destination.y != -1)
    return false;
  output.scroll_up(screen_height - 1);
  if (output.nearly_full()) return flush();
  return true;
}

bool set_cursor(Handle screen, CellPosition cell) {
  prepare(static_cast<int>(screen));
  if (!inside(cell)) return false;
  output.cursor(cell.x, cell.y);
  if (nanoseconds_now() - last_write < kHoldNanoseconds) return true;
  return flush();
}

void release_console() {
  flush();
  drain_missing_answer();
  posix::restore_terminals();
}

}  // namespace platform
