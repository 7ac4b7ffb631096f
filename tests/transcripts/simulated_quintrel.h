// Running the simulated build of quintrel: the terminal layer over a
// simulated console that the environment loads with keys, whose screen is
// read back when the program ends.
#pragma once

#include <string>
#include <vector>

#include "tests/transcripts/process.h"

namespace transcripts {

struct ConsoleOutcome {
  Outcome process;
  std::string screen;  // rows, then "[cursor column,row]"; "" when none
};

// Runs quintrel_simulated on the console `console` (see
// simulated_session.cc) with the key script `keys`; with a ",piped"
// console, `keys` is its standard input instead.
ConsoleOutcome run_simulated_quintrel(
    const std::string& console, const std::string& keys,
    const std::vector<std::string>& environment = {},
    OutputTo output_to = OutputTo::kPipe);

}  // namespace transcripts
