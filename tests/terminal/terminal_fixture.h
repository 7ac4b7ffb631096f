// What the terminal tests share: a fresh simulated console and platform,
// the terminal layer started on it, and reading the screen back.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "runtime/run_time_error.h"
#include "runtime/text_channel.h"
#include "terminal/key_events.h"
#include "terminal/screen.h"
#include "terminal/terminal_layer.h"
#include "tests/fakes/fake_platform.h"
#include "tests/fakes/simulated_console.h"

namespace terminal {

class TerminalTest : public ::testing::Test {
 protected:
  void TearDown() override {
    runtime::io_error = 0;
    runtime::set_exit_hook(nullptr);
  }

  // A console of `width` x `height` with its cursor at 1-based `column`,
  // `row`, and the layer started on it.
  void start(int width = 80, int height = 25, int column = 1, int row = 1) {
    fake::reset();
    fake::reset_console(width, height);
    fake::console.cursor = {static_cast<std::int16_t>(column - 1),
                            static_cast<std::int16_t>(row - 1)};
    runtime::bind_standard_channels();
    key_state = KeyState{};
    terminal_state = TerminalState{};
    terminal_start();
  }

  // Writes `text` as one write statement through the output channel.
  static void write(const std::string& text) {
    runtime::write_string(runtime::output_channel, 0, text);
    runtime::end_write(runtime::output_channel);
  }

  // Row `y` (1-based) without its trailing blanks.
  static std::string row(int y) { return fake::row_text(y - 1); }

  // The layer's cursor, and the console's, as "column,row" (1-based).
  static std::string cursor() {
    return std::to_string(terminal_state.cursor_x) + "," +
           std::to_string(terminal_state.cursor_y);
  }
  static std::string console_cursor() {
    return std::to_string(fake::console.cursor.x + 1) + "," +
           std::to_string(fake::console.cursor.y + 1);
  }
};

}  // namespace terminal
