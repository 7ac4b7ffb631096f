// The statements the dialogue is made of: a write or read on the console
// channels followed by the check that turns a pending error into the
// failure report.  They are forced inline so that the check's return
// address, the error location the report prints, lies in the routine that
// asked, as if the statement had been written out there.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "runtime/integer_input.h"
#include "runtime/run_time_error.h"
#include "runtime/text_channel.h"

namespace dialogue {

// Text without a line end; the cursor stays after it.
[[gnu::always_inline]] inline void write_text(std::string_view text) {
  runtime::write_string(runtime::output_channel, 0, text);
  runtime::end_write(runtime::output_channel);
  runtime::check_io();
}

// A whole line, CR LF included; an empty text writes an empty line.
[[gnu::always_inline]] inline void write_line(std::string_view text) {
  if (!text.empty()) runtime::write_string(runtime::output_channel, 0, text);
  runtime::end_write_line(runtime::output_channel);
  runtime::check_io();
}

// A prompt built from a text, a number and a text, without a line end.
[[gnu::always_inline]] inline void write_prompt(std::string_view before,
                                                std::int32_t number,
                                                std::string_view after) {
  runtime::write_string(runtime::output_channel, 0, before);
  runtime::write_integer(runtime::output_channel, 0, number);
  runtime::write_string(runtime::output_channel, 0, after);
  runtime::end_write(runtime::output_channel);
  runtime::check_io();
}

// One integer answer; the rest of its line is dropped.
[[gnu::always_inline]] inline std::int32_t read_answer() {
  const std::int32_t value = runtime::read_integer(runtime::input_channel);
  runtime::end_read_line(runtime::input_channel);
  runtime::check_io();
  return value;
}

// Waits until the user ends an input line; its content is dropped.
[[gnu::always_inline]] inline void wait_for_enter() {
  runtime::end_read_line(runtime::input_channel);
  runtime::check_io();
}

}  // namespace dialogue
