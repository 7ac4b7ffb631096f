// Whole runs of the real programs for the benchmark's end-to-end lines:
// what they print and the processor time they take.
#pragma once

#include <string>

namespace bench {

struct ProgramRun {
  std::string output;  // everything the program wrote
  double cpu_seconds;  // user and system time of the process, all threads
};

// Runs `program` with `input` on its standard input (a pipe) and a
// terminal of 80 by 25 as its standard output and error.
ProgramRun run_on_terminal(const std::string& program,
                           const std::string& input);

// Runs `program` with `input` on a pipe and its output on another.
ProgramRun run_on_pipes(const std::string& program, const std::string& input);

// The tested count from a program's report ("Tested:N"), escape sequences
// and line breaks removed; 0 when there is none.
double reported_tested(const std::string& output);

}  // namespace bench
