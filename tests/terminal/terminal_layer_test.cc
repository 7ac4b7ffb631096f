#include "terminal/terminal_layer.h"

#include "runtime/integer_input.h"
#include "tests/terminal/terminal_fixture.h"

namespace terminal {
namespace {

using StartUp = TerminalTest;

TEST_F(StartUp, FindsTheScreenOrEndsWithExitCode1) {
  struct Row {
    const char* name;
    bool output_is_console;
    bool screen_opens;
    bool screen_answers;
    platform::Handle screen;  // kNoHandle: the start fails
    const char* message;
  } rows[] = {
      {"standard output is the console", true, true, true, fake::kOutput, ""},
      {"redirected: the console opened by name", false, true, true,
       fake::kConsoleScreen, ""},
      {"no console at all", false, false, true, platform::kNoHandle,
       "No way to get the console handle\r\n"},
      {"a console that cannot be queried", false, true, false,
       platform::kNoHandle, "No way to get console screen buffer info\r\n"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    fake::reset();
    fake::reset_console();
    runtime::bind_standard_channels();
    fake::console.output_is_console = r.output_is_console;
    fake::console.screen_opens = r.screen_opens;
    fake::console.screen_answers = r.screen_answers;
    int exit_code = -1;
    try {
      terminal_start();
    } catch (const fake::ExitCalled& exit) {
      exit_code = static_cast<int>(exit.code);
    }
    EXPECT_EQ(fake::state.written[fake::kError], r.message);
    EXPECT_EQ(fake::state.written[fake::kOutput], "");
    if (r.screen == platform::kNoHandle) {
      EXPECT_EQ(exit_code, 1);
      EXPECT_EQ(fake::console.releases, 1);  // the exit gave it back
      continue;
    }
    EXPECT_EQ(exit_code, -1);
    EXPECT_EQ(terminal_state.output_handle, r.screen);
    EXPECT_EQ(runtime::output_channel.handle, r.screen);
    EXPECT_EQ(runtime::input_channel.handle, fake::kInput);
  }
}

TEST_F(StartUp, TakesCursorAttributeAndSizeFromTheConsole) {
  fake::reset();
  fake::reset_console(132, 43);
  fake::console.cursor = {4, 9};
  fake::console.attribute = 0x0F1E;  // only the low byte is kept
  runtime::bind_standard_channels();
  terminal_start();
  EXPECT_EQ(cursor(), "5,10");
  EXPECT_EQ(terminal_state.text_attribute, 0x1E);
  EXPECT_EQ(terminal_state.window_max_x, 132);
  EXPECT_EQ(terminal_state.window_max_y, 43);
  write("x");
  EXPECT_EQ(fake::cell_at(4, 9).character, 'x');
  EXPECT_EQ(fake::cell_at(4, 9).attribute, 0x1E);
  // When the size cannot be read, the window is 80 x 25.
  fake::reset();
  fake::reset_console(132, 43);
  fake::console.queries_left = 1;
  runtime::bind_standard_channels();
  terminal_start();
  EXPECT_EQ(terminal_state.window_max_x, 80);
  EXPECT_EQ(terminal_state.window_max_y, 25);
}

TEST_F(StartUp, RedirectedOutputLeavesTheStandardHandleEmpty) {
  start();
  write("Enter n in [2...2000] :");
  runtime::end_write_line(runtime::output_channel);
  EXPECT_EQ(fake::state.written[fake::kOutput], "");
  EXPECT_EQ(row(1), "Enter n in [2...2000] :");
  // The failure report's channel still writes to standard output.
  runtime::write_string(runtime::standard_output_channel, 0, "report");
  runtime::end_write(runtime::standard_output_channel);
  EXPECT_EQ(fake::state.written[fake::kOutput], "report");
}

TEST_F(StartUp, InputThatIsNoConsoleIsReadAsItIs) {
  fake::reset();
  fake::reset_console();
  fake::console.input_is_console = false;
  fake::state.reads = {"16\r\n8\r\n"};
  runtime::bind_standard_channels();
  terminal_start();
  EXPECT_EQ(runtime::read_integer(runtime::input_channel), 16);
  runtime::end_read_line(runtime::input_channel);
  EXPECT_EQ(runtime::read_integer(runtime::input_channel), 8);
  EXPECT_EQ(runtime::io_error, 0);
  EXPECT_EQ(fake::screen_text(), "");  // answers read, not typed: no echo
}

TEST_F(StartUp, TerminalChannelsCloseWithoutDrawingAndOpenAgain) {
  start();
  runtime::write_string(runtime::output_channel, 0, "ab");
  runtime::close_channel(runtime::output_channel);
  EXPECT_EQ(runtime::output_channel.mode, runtime::ChannelMode::kClosed);
  EXPECT_EQ(row(1), "ab");  // what waited was delivered first
  runtime::open_for_output(runtime::output_channel);
  write("c");
  EXPECT_EQ(row(1), "abc");
  runtime::close_channel(runtime::input_channel);
  runtime::open_for_input(runtime::input_channel);
  fake::type("7\n");
  EXPECT_EQ(runtime::read_integer(runtime::input_channel), 7);
  EXPECT_EQ(runtime::io_error, 0);
}

TEST_F(StartUp, EveryEndGivesTheConsoleBack) {
  start();
  EXPECT_EQ(fake::console.releases, 0);
  EXPECT_THROW(runtime::stop_program(0), fake::ExitCalled);
  EXPECT_EQ(fake::console.releases, 1);
}

}  // namespace
}  // namespace terminal
