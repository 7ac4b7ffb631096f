// Whole program runs; see program_runs.h.  The processor time comes from
// wait4's resource usage of the child.
#include "bench/program_runs.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <regex>
#include <string>

namespace bench {
namespace {

double cpu_of(const rusage& usage) {
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + 1e-6 * t.tv_usec;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Writes the answers and closes the pipe; they fit its buffer, and a
// failed write shows as a missing report.
void feed(int pipe_end, const std::string& input) {
  const ssize_t written = write(pipe_end, input.data(), input.size());
  static_cast<void>(written);
  close(pipe_end);
}

// Reads `from` to its end (EIO from a terminal whose child has closed it).
std::string drain(int from, bool pace) {
  std::string output;
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(from, buffer, sizeof buffer);
    if (got <= 0) break;
    output.append(buffer, static_cast<std::size_t>(got));
    // A terminal draws at its own pace rather than waking up for every
    // progress mark.
    if (pace) usleep(2000);
  }
  close(from);
  return output;
}

}  // namespace

ProgramRun run_on_terminal(const std::string& program,
                           const std::string& input) {
  int input_pipe[2];
  if (pipe(input_pipe) != 0) return {"", 0};
  winsize size{};
  size.ws_row = 25;
  size.ws_col = 80;
  int terminal = -1;
  const pid_t child = forkpty(&terminal, nullptr, nullptr, &size);
  if (child < 0) return {"", 0};
  if (child == 0) {
    dup2(input_pipe[0], STDIN_FILENO);
    close(input_pipe[0]);
    close(input_pipe[1]);
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(input_pipe[0]);
  feed(input_pipe[1], input);
  ProgramRun run{drain(terminal, true), 0};
  rusage usage{};
  int status = 0;
  wait4(child, &status, 0, &usage);
  run.cpu_seconds = cpu_of(usage);
  return run;
}

ProgramRun run_on_pipes(const std::string& program, const std::string& input) {
  int input_pipe[2];
  int output_pipe[2];
  if (pipe(input_pipe) != 0) return {"", 0};
  if (pipe(output_pipe) != 0) return {"", 0};
  const pid_t child = fork();
  if (child < 0) return {"", 0};
  if (child == 0) {
    dup2(input_pipe[0], STDIN_FILENO);
    dup2(output_pipe[1], STDOUT_FILENO);
    for (int end :
         {input_pipe[0], input_pipe[1], output_pipe[0], output_pipe[1]}) {
      close(end);
    }
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(input_pipe[0]);
  close(output_pipe[1]);
  feed(input_pipe[1], input);
  ProgramRun run{drain(output_pipe[0], false), 0};
  rusage usage{};
  int status = 0;
  wait4(child, &status, 0, &usage);
  run.cpu_seconds = cpu_of(usage);
  return run;
}

double reported_tested(const std::string& output) {
  const std::string text = std::regex_replace(
      output, std::regex("\x1b\\[[0-9;?]*[A-Za-z]|\r|\n"), "");
  std::smatch tested;
  if (!std::regex_search(text, tested, std::regex("Tested:([0-9]+)"))) {
    return 0;
  }
  return std::stod(tested[1]);
}

}  // namespace bench
