// The two main drivers: introduction once, then experiments (dialog, start
// step, run loop, report, restart question) until the user leaves.  The
// tuples are drawn and tested by the fast engine in batches, which give
// the plain operations' draws and verdicts; a batch ends at every progress
// mark and every stop poll, so both fall on the tuples they always did.
#include "dialogue/drivers.h"

#include "core/engine/flag_engine.h"
#include "core/engine/packed_engine.h"
#include "core/engine/tuple_runs.h"
#include "core/parameters.h"
#include "dialogue/experiment.h"
#include "dialogue/introduction.h"
#include "dialogue/parameter_dialog.h"
#include "dialogue/statements.h"
#include "dialogue/stop_request.h"
#include "runtime/random_source.h"
#include "runtime/run_time_error.h"

namespace dialogue {
namespace {

void start_counting() {
  experiment.stop_requested = false;
  experiment.tested = 0;
  experiment.generating = 0;
  start_stop_polling();
  runtime::seed_from_ticks();
}

// The report of a run and the restart question; true to start again.
// Forced inline, so that the driver itself reads the answer and a failed
// answer is reported there.
[[gnu::always_inline]] inline bool report_and_ask_restart(
    std::string_view used) {
  write_report(used);
  write_text("Enter 1 to start again, or enter 0 to abandon. ");
  experiment.restart_answer = read_answer();
  write_line("");
  return experiment.restart_answer == 1;
}

[[noreturn]] void say_goodbye() {
  write_text("Thank you for using this program.   Hit <enter>.");
  wait_for_enter();
  runtime::stop_program(runtime::exit_code::kNormal);
}

}  // namespace

void quintrel::run() {
  for (std::string_view line : kQuintrelIntroduction) write_line(line);
  core::Parameters& p = core::parameters;
  do {
    ask_parameters();
    write_line("");
    p.byte_count = p.n / 8;
    if (p.byte_count * 8 != p.n) {
      write_line("");
      abandon("Program terminates since 8|n fails. Hit <Enter>");
    }
    write_start_lines(kQuintrelVersion);
    start_counting();
    write_line("");
    do {
      // A batch runs up to the next look for keys, past any marks: those
      // due before its last tuple go out first, one statement for all,
      // and one due at its last tuple after the look, as when the tuples
      // are tested one at a time.
      const std::int32_t batch = batch_to_poll(p.tests, tuples_before_poll());
      const std::int32_t before = experiment.tested;
      experiment.generating += core::engine::packed::run_tuples(batch);
      experiment.tested += batch;
      write_marks((experiment.tested - 1) / kMarkEvery - before / kMarkEvery);
      poll_stop_request(batch);
      write_progress_mark();
    } while (!experiment.stop_requested && experiment.tested < p.tests);
    core::engine::end_run();
  } while (report_and_ask_restart("; Quintrel used"));
  say_goodbye();
}

void tolvaric::run() {
  for (std::string_view line : kTolvaricIntroduction) write_line(line);
  const core::Parameters& p = core::parameters;
  do {
    ask_parameters();
    start_counting();
    write_line("");
    write_start_lines(kTolvaricVersion);
    write_line("");
    do {
      const std::int32_t batch = next_batch(p.tests, kMarkEvery);
      experiment.generating += core::engine::flags::run_tuples(batch);
      experiment.tested += batch;
      hold_progress_mark();
    } while (experiment.tested < p.tests);
    core::engine::end_run();
    release_marks();
  } while (report_and_ask_restart("; Tolvaric used"));
  say_goodbye();
}

}  // namespace dialogue
