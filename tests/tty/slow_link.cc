// A slow link between a terminal and a program, for the real-terminal
// checks:
//
//   slow_link <delay ms> <piece ms> <program> [arguments...]
//
// runs the program on a pseudo-terminal of its own and relays bytes both
// ways, each byte held back <delay ms> (as over a distant ssh link), and
// the bytes towards the program, when <piece ms> is not 0, written one at a
// time at least <piece ms> apart (as over a packetised link that splits
// the terminal's answers).  The terminal it runs on is raw meanwhile, so
// keys (Ctrl-C and Ctrl-Z among them) reach the program's terminal as
// bytes; its mode is given back at the end.  Ends with the program's exit
// status, once everything the program wrote has been relayed.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <deque>

namespace {

long milliseconds_now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Bytes on their way one way, each with the time it may go out.
struct Direction {
  int from;
  int to;
  long piece;  // milliseconds between bytes written, 0: as they come
  std::deque<std::pair<long, unsigned char>> queue;
  long next_piece = 0;
  bool open = true;

  long due() const {
    if (queue.empty()) return -1;
    const long at = queue.front().first;
    return piece > 0 && next_piece > at ? next_piece : at;
  }

  void send(long now) {
    while (!queue.empty() && due() <= now) {
      unsigned char bytes[4096];
      std::size_t count = 0;
      if (piece > 0) {
        bytes[count++] = queue.front().second;
        queue.pop_front();
        next_piece = now + piece;
      } else {
        while (!queue.empty() && queue.front().first <= now &&
               count < sizeof bytes) {
          bytes[count++] = queue.front().second;
          queue.pop_front();
        }
      }
      std::size_t done = 0;
      while (done < count) {
        const ssize_t n = write(to, bytes + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {  // the other side has gone
          queue.clear();
          return;
        }
        done += static_cast<std::size_t>(n);
      }
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: slow_link <delay ms> <piece ms> <program>\n");
    return 2;
  }
  const long delay = std::atol(argv[1]);
  const long piece = std::atol(argv[2]);

  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    std::perror("slow_link: pseudo-terminal");
    return 2;
  }
  winsize size{};
  if (ioctl(STDIN_FILENO, TIOCGWINSZ, &size) == 0)
    ioctl(master, TIOCSWINSZ, &size);
  termios before{};
  const bool outer_terminal = tcgetattr(STDIN_FILENO, &before) == 0;

  const pid_t child = fork();
  if (child < 0) return 2;
  if (child == 0) {
    setsid();
    const int slave = open(ptsname(master), O_RDWR);
    if (slave < 0) _exit(127);
    ioctl(slave, TIOCSCTTY, 0);
    if (outer_terminal) tcsetattr(slave, TCSANOW, &before);
    dup2(slave, 0);
    dup2(slave, 1);
    dup2(slave, 2);
    if (slave > 2) close(slave);
    close(master);
    execvp(argv[3], argv + 3);
    _exit(127);
  }

  if (outer_terminal) {
    termios raw = before;
    cfmakeraw(&raw);
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
  }
  Direction in{STDIN_FILENO, master, piece, {}};
  Direction out{master, STDOUT_FILENO, 0, {}};
  int status = 0;
  bool child_running = true;
  long child_ended = 0;
  for (;;) {
    const long now = milliseconds_now();
    in.send(now);
    out.send(now);
    if (child_running && waitpid(child, &status, WNOHANG) == child) {
      child_running = false;
      child_ended = now;
    }
    // Once the program has ended, what it wrote still arrives, then stop
    // (its terminal reports an error once its last holder has gone).
    if (!child_running && out.queue.empty() &&
        (!out.open || now - child_ended > 100))
      break;
    pollfd look[2] = {{in.open ? in.from : -1, POLLIN, 0},
                      {out.open ? out.from : -1, POLLIN, 0}};
    int timeout = 50;
    for (const Direction* d : {&in, &out}) {
      const long due = d->due();
      if (due >= 0 && due - now < timeout)
        timeout = due - now < 0 ? 0 : static_cast<int>(due - now);
    }
    if (poll(look, 2, timeout) < 0 && errno != EINTR) break;
    Direction* directions[2] = {&in, &out};
    for (int i = 0; i < 2; ++i) {
      if (look[i].revents == 0) continue;
      unsigned char bytes[4096];
      const ssize_t n = read(look[i].fd, bytes, sizeof bytes);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        directions[i]->open = false;
        continue;
      }
      const long at = milliseconds_now() + delay;
      for (ssize_t j = 0; j < n; ++j)
        directions[i]->queue.emplace_back(at, bytes[j]);
    }
  }
  if (outer_terminal) tcsetattr(STDIN_FILENO, TCSANOW, &before);
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return 1;
}
