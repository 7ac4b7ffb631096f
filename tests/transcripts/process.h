// Running a program as a real process: its standard input fed from a
// string through a pipe, its standard output and error read back through
// pipes, its exit status returned.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace transcripts {

struct Outcome {
  std::string output;  // standard output
  std::string errors;  // standard error
  int exit_code = -1;  // -1 when it did not exit normally
  int signal = 0;      // the signal that ended it, if any
};

// Where standard output goes: a pipe read back, a pipe nobody reads,
// /dev/full, or a file read back at the end that the process may grow to
// kOutputFileLimit bytes only (its file-size limit, RLIMIT_FSIZE).
enum class OutputTo { kPipe, kClosedPipe, kDevFull, kSizeLimitedFile };
inline constexpr unsigned kOutputFileLimit = 70;

// Where standard input comes from: a pipe fed with the input given, none
// (descriptor 0 closed), a non-blocking pipe that stays empty and open,
// or a directory.
enum class InputFrom { kPipe, kClosed, kEmptyNonBlockingPipe, kDirectory };

// Runs `program` with `arguments`, the extra environment `environment`
// (NAME=value), and `input` as its standard input, in a session of its
// own (so without a controlling terminal).  When the environment of the
// tests sets TRANSCRIPT_LAUNCHER (a path), that program starts `program`
// (wine for a Windows build).
Outcome run_process(const std::string& program,
                    const std::vector<std::string>& arguments,
                    const std::vector<std::string>& environment,
                    const std::string& input,
                    OutputTo output_to = OutputTo::kPipe,
                    InputFrom input_from = InputFrom::kPipe);

}  // namespace transcripts
