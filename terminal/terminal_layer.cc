// Start-up of the terminal layer and its channel slots: output bytes are
// drawn one by one, input lines come from the line editor.  The slots
// never set io_error.
#include "terminal/terminal_layer.h"

#include <string_view>

#include "platform/console.h"
#include "platform/standard_io.h"
#include "runtime/run_time_error.h"
#include "terminal/key_events.h"
#include "terminal/line_editor.h"
#include "terminal/screen.h"

namespace terminal {
namespace {

constexpr std::int32_t kFallbackWidth = 80;
constexpr std::int32_t kFallbackHeight = 25;

void terminal_write(runtime::TextChannel& channel) {
  follow_screen();
  for (std::int32_t i = 0; i < channel.position; ++i)
    put_char(channel.buffer_ref[i]);
  place_cursor();
  channel.position = 0;
}

void do_nothing(runtime::TextChannel&) {}

void terminal_close(runtime::TextChannel& channel) {
  channel.mode = runtime::ChannelMode::kClosed;
}

void terminal_open(runtime::TextChannel& channel) {
  if (channel.mode == runtime::ChannelMode::kOutput) {
    channel.transfer_slot = terminal_write;
    channel.flush_slot = terminal_write;
  } else {
    channel.mode = runtime::ChannelMode::kInput;
    channel.transfer_slot = terminal_read_line;
    channel.flush_slot = do_nothing;
  }
  channel.close_slot = terminal_close;
}

void give_back_console() { platform::release_console(); }

[[noreturn]] void fail_to_start(std::string_view message) {
  runtime::write_string(runtime::standard_error_channel, 0, message);
  runtime::end_write_line(runtime::standard_error_channel);
  runtime::io_error = 0;  // nowhere left to report a failed report
  runtime::stop_program(runtime::exit_code::kStartFailed);
}

}  // namespace

void bind_terminal(runtime::TextChannel& channel) {
  runtime::bind_channel(channel, "");
  channel.open_slot = terminal_open;
}

void terminal_start() {
  using platform::StandardHandle;
  // First, so that every way out from here on gives the console back.
  runtime::set_exit_hook(give_back_console);
  TerminalState& t = terminal_state;
  t.output_handle = platform::standard_handle(StandardHandle::kOutput);
  t.input_handle = platform::standard_handle(StandardHandle::kInput);
  platform::ScreenInfo info{};
  if (!platform::query_screen(t.output_handle, info)) {
    // Standard output is redirected: draw on the console all the same.
    t.output_handle = platform::open_console_screen();
    if (t.output_handle == platform::kNoHandle)
      fail_to_start("No way to get the console handle");
    if (!platform::query_screen(t.output_handle, info))
      fail_to_start("No way to get console screen buffer info");
  }
  t.cursor_x = info.cursor.x + 1;
  t.cursor_y = info.cursor.y + 1;
  t.text_attribute = static_cast<std::uint8_t>(info.attributes & 0xFF);
  std::int32_t width = kFallbackWidth;
  std::int32_t height = kFallbackHeight;
  if (platform::query_screen(t.output_handle, info)) {
    width = info.size.x;
    height = info.size.y;
  }
  t.window_min_x = 1;
  t.window_min_y = 1;
  t.window_max_x = width;
  t.window_max_y = height;
  key_state.alt_entry_active = false;
  key_state.alt_entry_value = 0;

  bind_terminal(runtime::output_channel);
  runtime::open_for_output(runtime::output_channel);
  runtime::check_io();
  runtime::output_channel.handle = t.output_handle;

  // Input that is no console (a file or a pipe) is read as it is, through
  // the standard channel the runtime opened.
  std::uint32_t waiting = 0;
  if (!platform::count_input_events(t.input_handle, waiting)) return;
  bind_terminal(runtime::input_channel);
  runtime::open_for_input(runtime::input_channel);
  runtime::check_io();
  runtime::input_channel.handle = t.input_handle;
}

}  // namespace terminal
