// The steps both drivers take alike: the start lines, the progress marks,
// the report and the end of the program on a refused parameter.
#include "dialogue/experiment.h"

#include <cstdint>
#include <string>

#include "core/parameters.h"
#include "dialogue/introduction.h"
#include "dialogue/statements.h"
#include "runtime/clock.h"

namespace dialogue {

Experiment experiment;

namespace {

constexpr std::int32_t kMillisecondsPerDay = 86400000;

void read_time(TimeOfDay& time) {
  runtime::read_time_of_day(time.hour, time.minute, time.second,
                            time.millisecond);
}

}  // namespace

void abandon(std::string_view text) {
  write_line(text);
  wait_for_enter();
  runtime::stop_program(runtime::exit_code::kNormal);
}

void write_start_lines(std::string_view version) {
  using runtime::output_channel;
  read_time(experiment.start_time);
  runtime::write_string(output_channel, 0, version);
  runtime::write_string(output_channel, 0, kAttributionNotice);
  runtime::end_write_line(output_channel);
  runtime::check_io();
  const TimeOfDay& start = experiment.start_time;
  runtime::write_string(output_channel, 0, "Computation starts at ");
  runtime::write_integer(output_channel, 0, start.hour);
  runtime::write_string(output_channel, 0, ":");
  runtime::write_integer(output_channel, 0, start.minute);
  runtime::write_string(output_channel, 0, ":");
  runtime::write_integer(output_channel, 0, start.second);
  runtime::write_string(output_channel, 0, ".");
  runtime::write_integer(output_channel, 0, start.millisecond);
  runtime::end_write_line(output_channel);
  runtime::check_io();
}

void write_mark() { write_text(". "); }

void write_marks(std::int32_t count) {
  if (count <= 0) return;
  static std::string marks;
  marks.clear();
  for (std::int32_t i = 0; i < count; ++i) marks += ". ";
  write_text(marks);
}

namespace {

struct HeldMarks {
  std::int32_t count = 0;
  std::uint32_t released_at = 0;  // the tick count when they last went out
};

HeldMarks held;

}  // namespace

void hold_mark() {
  ++held.count;
  if (runtime::read_tick_count() != held.released_at) release_marks();
}

void release_marks() {
  if (held.count == 0) return;
  // The channel's buffer passes them on 256 bytes at a time.
  for (std::int32_t i = 0; i < held.count; ++i) {
    runtime::write_string(runtime::output_channel, 0, ". ");
  }
  held.count = 0;
  held.released_at = runtime::read_tick_count();
  runtime::end_write(runtime::output_channel);
  runtime::check_io();
}

std::int32_t elapsed_milliseconds(const TimeOfDay& start,
                                  const TimeOfDay& end) {
  std::int32_t elapsed =
      (end.hour - start.hour) * 3600000 + (end.minute - start.minute) * 60000 +
      (end.second - start.second) * 1000 + end.millisecond - start.millisecond;
  if (elapsed < 0) elapsed += kMillisecondsPerDay;
  return elapsed;
}

void write_report(std::string_view used) {
  using runtime::output_channel;
  write_line("");
  runtime::write_string(output_channel, 0, "n=");
  runtime::write_integer(output_channel, 0, core::parameters.n);
  runtime::write_string(output_channel, 0, " k=");
  runtime::write_integer(output_channel, 0, core::parameters.k);
  runtime::write_string(output_channel, 0, " Tested:");
  runtime::write_integer(output_channel, 0, experiment.tested);
  runtime::write_string(output_channel, 0, " Generating:");
  runtime::write_integer(output_channel, 0, experiment.generating);
  runtime::end_write(output_channel);
  runtime::check_io();
  read_time(experiment.end_time);
  experiment.seconds = static_cast<double>(elapsed_milliseconds(
                           experiment.start_time, experiment.end_time)) /
                       1000.0;
  runtime::write_string(output_channel, 0, used);
  runtime::write_real(output_channel, 15, 3, experiment.seconds);
  runtime::write_string(output_channel, 0, " seconds.");
  runtime::end_write_line(output_channel);
  runtime::check_io();
  write_line("");
}

}  // namespace dialogue
