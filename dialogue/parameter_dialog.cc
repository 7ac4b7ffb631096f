// The parameter dialogs.  Every answer is read before any limit is tested,
// so an improper later answer is reported even after an out-of-range n.
#include "dialogue/parameter_dialog.h"

#include "core/parameters.h"
#include "dialogue/experiment.h"
#include "dialogue/statements.h"
#include "runtime/run_time_error.h"

namespace dialogue {
namespace {

constexpr std::int32_t kMaxN = core::kMaxElements;
constexpr std::int32_t kMaxK = core::kMaxComponents;

}  // namespace

void quintrel::ask_parameters() {
  core::Parameters& p = core::parameters;
  write_prompt("Enter n in [2...", kMaxN, "] :");
  p.n = read_answer();
  write_prompt("Enter k  in [2...", kMaxK, "] :");
  p.k = read_answer();
  write_text(
      "Enter the number of tests, or enter 0 for arbtrary many tests: ");
  p.tests = read_answer();
  if (p.tests < 1) p.tests = kArbitrarilyMany;
  if (p.n > kMaxN) abandon("n is too large. Hit <enter> to abandon");
  // An empty base set has no element to test and no byte to fill.
  if (p.n <= 0) abandon("n is too small. Hit <enter> to abandon");
  if (p.k > kMaxK) abandon("k is too large. Hit <enter> to abandon");
}

void tolvaric::ask_parameters() {
  core::Parameters& p = core::parameters;
  write_prompt("Enter n in [2...", kMaxN, "] :");
  p.n = read_answer();
  write_prompt("Enter k  in [2...", kMaxK, "] :");
  p.k = read_answer();
  write_text("Enter the (positive!) number of tests, or enter 0 for halt: ");
  p.tests = read_answer();
  if (p.n > kMaxN || p.n < 3) abandon("n is out of range. Hit <enter> to abandon");
  if (p.k > kMaxK || p.k < 3) abandon("k is out of range. Hit <enter> to abandon");
  // This program has no stop key: a run of arbitrarily many tuples could
  // never be ended, so 0 (and below) halts as the prompt offers.
  if (p.tests < 1) runtime::stop_program(runtime::exit_code::kNormal);
}

}  // namespace dialogue
