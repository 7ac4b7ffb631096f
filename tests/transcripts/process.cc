// Process running for the end-to-end tests.
#include "tests/transcripts/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace transcripts {
namespace {

void make_pipe(int ends[2]) {
  if (pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
}

// An empty file without a name, which goes away with its last descriptor.
int limited_output_file() {
  char name[] = "/tmp/transcript-output.XXXXXX";
  const int descriptor = mkostemp(name, O_CLOEXEC);
  if (descriptor < 0) throw std::runtime_error("no temporary file");
  unlink(name);
  return descriptor;
}

}  // namespace

Outcome run_process(const std::string& program,
                    const std::vector<std::string>& arguments,
                    const std::vector<std::string>& environment,
                    const std::string& input, OutputTo output_to,
                    InputFrom input_from) {
  // A closed reader must not kill the test process itself.
  signal(SIGPIPE, SIG_IGN);
  int in[2], out[2], err[2];
  make_pipe(in);
  make_pipe(out);
  make_pipe(err);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (input_from == InputFrom::kClosed)
    posix_spawn_file_actions_addclose(&actions, 0);
  else if (input_from == InputFrom::kDirectory)
    posix_spawn_file_actions_addopen(&actions, 0, "/", O_RDONLY, 0);
  else
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  if (input_from == InputFrom::kEmptyNonBlockingPipe)
    fcntl(in[0], F_SETFL, O_NONBLOCK);
  int output_file = -1;
  if (output_to == OutputTo::kDevFull) {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/full", O_WRONLY, 0);
  } else if (output_to == OutputTo::kSizeLimitedFile) {
    output_file = limited_output_file();
    posix_spawn_file_actions_adddup2(&actions, output_file, 1);
  } else {
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  }
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  if (output_to != OutputTo::kPipe) close(out[0]);

  std::vector<std::string> env_strings;
  for (char** e = environ; *e != nullptr; ++e) env_strings.emplace_back(*e);
  for (const std::string& e : environment) env_strings.push_back(e);
  std::vector<char*> argv;
  const char* launcher = std::getenv("TRANSCRIPT_LAUNCHER");
  if (launcher != nullptr && *launcher != '\0')
    argv.push_back(const_cast<char*>(launcher));
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : arguments)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& e : env_strings) envp.push_back(e.data());
  envp.push_back(nullptr);

  // A session of its own has no controlling terminal: no program under
  // test can reach the terminal of whoever runs the tests.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  pid_t pid = 0;
  // The child inherits the file-size limit; this process writes no file
  // while it is lowered.
  rlimit before{};
  getrlimit(RLIMIT_FSIZE, &before);
  if (output_file >= 0) {
    rlimit limited = before;
    limited.rlim_cur = kOutputFileLimit;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  const int spawned = posix_spawn(&pid, argv[0], &actions, &attributes,
                                  argv.data(), envp.data());
  if (output_file >= 0) setrlimit(RLIMIT_FSIZE, &before);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  if (spawned != 0) throw std::runtime_error("cannot start " + program);

  // Feed the input and drain both outputs together, so no pipe fills up.
  Outcome outcome;
  std::size_t fed = 0;
  int input_fd = in[1];
  int held_open = -1;  // the empty pipe's writer, until the program ends
  if (input_from == InputFrom::kEmptyNonBlockingPipe) {
    held_open = input_fd;
    input_fd = -1;
  } else if (input.empty() || input_from != InputFrom::kPipe) {
    close(input_fd);
    input_fd = -1;
  }
  int out_fd = output_to == OutputTo::kPipe ? out[0] : -1;
  int err_fd = err[0];
  while (out_fd >= 0 || err_fd >= 0 || input_fd >= 0) {
    pollfd fds[3] = {
        {out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}, {input_fd, POLLOUT, 0}};
    if (poll(fds, 3, 20000) <= 0) {  // a hung program fails the test
      kill(pid, SIGKILL);
      break;
    }
    char buffer[4096];
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
      if (got <= 0) {
        close(fds[i].fd);
        (i == 0 ? out_fd : err_fd) = -1;
      } else {
        (i == 0 ? outcome.output : outcome.errors).append(buffer, got);
      }
    }
    if (input_fd >= 0 && fds[2].revents != 0) {
      const ssize_t put =
          (fds[2].revents & POLLOUT)
              ? write(input_fd, input.data() + fed, input.size() - fed)
              : -1;
      if (put > 0) fed += static_cast<std::size_t>(put);
      if (put <= 0 || fed == input.size()) {
        close(input_fd);
        input_fd = -1;
      }
    }
  }
  for (int fd : {out_fd, err_fd, input_fd})
    if (fd >= 0) close(fd);
  int status = 0;
  waitpid(pid, &status, 0);
  if (held_open >= 0) close(held_open);
  if (WIFEXITED(status)) outcome.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
  if (output_file >= 0) {
    char buffer[4096];
    ssize_t got = 0;
    for (off_t at = 0;
         (got = pread(output_file, buffer, sizeof buffer, at)) > 0; at += got)
      outcome.output.append(buffer, static_cast<std::size_t>(got));
    close(output_file);
  }
  return outcome;
}

}  // namespace transcripts
