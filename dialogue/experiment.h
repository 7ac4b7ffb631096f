// What the two drivers share: the program-wide state of an experiment and
// the steps that read and print the same way in both programs.
#pragma once

#include <cstdint>
#include <string_view>

namespace dialogue {

struct TimeOfDay {
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  std::uint16_t millisecond = 0;
};

struct Experiment {
  std::int32_t tested = 0;
  std::int32_t generating = 0;
  std::int32_t restart_answer = 0;
  bool stop_requested = false;  // set by Alt-R, packed variant only
  TimeOfDay start_time;
  TimeOfDay end_time;
  double seconds = 0;  // elapsed time of the last run
};

extern Experiment experiment;

inline constexpr std::int32_t kArbitrarilyMany = 2147483647;
inline constexpr std::int32_t kMarkEvery = 256;  // tuples per progress mark

// Writes `text` as a line, waits for Enter and ends the program (exit 0).
[[noreturn, gnu::noinline]] void abandon(std::string_view text);

// The version line (`version` and the attribution notice) and the line
// "Computation starts at h:m:s.ms".
[[gnu::noinline]] void write_start_lines(std::string_view version);

// Writes ". ", the mark of another 256 tuples.
[[gnu::noinline]] void write_mark();

// Writes `count` marks (none for 0 or less) as one statement.
[[gnu::noinline]] void write_marks(std::int32_t count);

// Writes ". " when `tested` has reached a multiple of 256.  Inline: the
// run loops ask after every batch.
inline void write_progress_mark() {
  if (experiment.tested % kMarkEvery == 0) write_mark();
}

// Counts a mark that is to be written, and writes the marks held back
// when the millisecond tick count has moved since they last went out.
[[gnu::noinline]] void hold_mark();

// The same as write_progress_mark for tolvaric, whose marks go to
// standard output: a write per mark would cost as much as 256 small
// tuples, so marks are held back for up to about a millisecond.
inline void hold_progress_mark() {
  if (experiment.tested % kMarkEvery == 0) hold_mark();
}

// Writes the marks held back, if any, as one statement: at the end of
// every run, before anything else is written or read.
[[gnu::noinline]] void release_marks();

// The tuples of the next batch of a run of `tests` tuples: at most
// `limit`, and not past the run's end (but at least one: the run loops
// test a tuple before they compare).
inline std::int32_t batch_to_poll(std::int32_t tests, std::int32_t limit) {
  const std::int32_t batch =
      limit < tests - experiment.tested ? limit : tests - experiment.tested;
  return batch < 1 ? 1 : batch;
}

// The same, and up to the next progress mark.
inline std::int32_t next_batch(std::int32_t tests, std::int32_t limit) {
  const std::int32_t to_mark = kMarkEvery - experiment.tested % kMarkEvery;
  return batch_to_poll(tests, limit < to_mark ? limit : to_mark);
}

// After the run: the line end, the counts, the end time, and the line
// "; <name> used" with the seconds, then an empty line.
[[gnu::noinline]] void write_report(std::string_view used);

// Milliseconds from the start to the end time of day; a run that passes
// midnight counts the day it crossed.
std::int32_t elapsed_milliseconds(const TimeOfDay& start, const TimeOfDay& end);

}  // namespace dialogue
