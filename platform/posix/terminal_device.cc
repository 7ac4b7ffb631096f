// Raw mode in and out through one pair of functions, and the signal
// handlers that make every way out give the terminal back: every deadly
// signal that can be caught (SIGINT, SIGTERM, SIGABRT, SIGUSR1, ...)
// writes what the console holds, restores it, and dies as before;
// SIGTSTP restores it while stopped, SIGCONT makes it raw again.  SIGCONT
// and SIGWINCH also leave a flag for the screen, which may have changed.
#include "platform/posix/terminal_device.h"

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/posix/held_output.h"

namespace platform::posix {
namespace {

struct Terminal {
  int descriptor;
  unsigned long device;
  termios before;
  termios raw;
};

// Standard input and the screen: two terminals at most.
Terminal terminals[2];
volatile sig_atomic_t terminal_count = 0;
volatile sig_atomic_t raw_now = 0;
volatile sig_atomic_t continued = 0;
volatile sig_atomic_t resized = 0;
bool handlers_installed = false;

// Every signal that can be caught and whose default action ends the
// process, the real-time ones aside (install_handlers), but for SIGFPE,
// SIGSEGV and SIGBUS, whose failure report ends in the exit sequence, and
// SIGPIPE and SIGXFSZ, which the runtime ignores so that writes fail.
constexpr int kFatalSignals[] = {
    SIGHUP,    SIGINT,  SIGQUIT, SIGILL,    SIGTRAP, SIGABRT, SIGUSR1, SIGUSR2,
    SIGALRM,   SIGTERM, SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,   SIGSYS,
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
};

// Restoring goes backwards, so that should one terminal have been taken
// twice after all, the mode saved first, the one found, is set last.
void set_all(bool raw) {
  if (raw) {
    for (int i = 0; i < terminal_count; ++i)
      tcsetattr(terminals[i].descriptor, TCSANOW, &terminals[i].raw);
  } else {
    for (int i = terminal_count - 1; i >= 0; --i)
      tcsetattr(terminals[i].descriptor, TCSANOW, &terminals[i].before);
  }
}

// Which terminal a descriptor leads to.  /dev/tty has a device number of
// its own; Linux tells the one behind it.
bool device_of(int descriptor, unsigned long& device) {
  if (!isatty(descriptor)) return false;
#ifdef TIOCGDEV
  unsigned int behind = 0;
  if (ioctl(descriptor, TIOCGDEV, &behind) == 0) {
    device = behind;
    return true;
  }
#endif
  struct stat status {};
  if (fstat(descriptor, &status) != 0) return false;
  device = static_cast<unsigned long>(status.st_rdev);
  return true;
}

void catch_signal(int signal, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(signal, &action, nullptr);
}

void unblock(int signal) {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

void on_fatal_signal(int signal) { die_of(signal); }

// Only the terminal's foreground process group may set its mode without
// being stopped by SIGTTOU, and without disturbing the shell's.
bool in_foreground() {
  return terminal_count > 0 && tcgetpgrp(terminals[0].descriptor) == getpgrp();
}

void on_stop_signal(int) {
  const int saved_errno = errno;
  const bool was_raw = raw_now != 0;
  if (was_raw) {
    // A shell that started us through a script sees the script stop first
    // and may already have taken the terminal back, with its own mode:
    // then there is nothing to restore, and SIGTTOU must not stop us
    // before we stop ourselves.
    sigset_t ttou, before;
    sigemptyset(&ttou);
    sigaddset(&ttou, SIGTTOU);
    sigprocmask(SIG_BLOCK, &ttou, &before);
    if (in_foreground()) set_all(false);
    sigprocmask(SIG_SETMASK, &before, nullptr);
  }
  // Stop as the default action would; execution resumes here on SIGCONT.
  catch_signal(SIGTSTP, SIG_DFL);
  unblock(SIGTSTP);
  raise(SIGTSTP);
  catch_signal(SIGTSTP, on_stop_signal);
  if (was_raw && raw_now && in_foreground()) set_all(true);
  continued = 1;
  errno = saved_errno;
}

void on_continue_signal(int) {
  const int saved_errno = errno;
  // A stop by SIGSTOP, SIGTTIN or SIGTTOU passed no handler; the shell may
  // have set its own mode meanwhile.  Continued in the background, the
  // terminal is left to the shell until a later SIGCONT brings us back.
  if (raw_now && in_foreground()) set_all(true);
  continued = 1;
  errno = saved_errno;
}

// The work is left to the next draw or key wait, which asks.
void on_resize_signal(int) { resized = 1; }

bool ignored_from_start(int signal) {
  struct sigaction current {};
  sigaction(signal, nullptr, &current);
  return current.sa_handler == SIG_IGN;
}

void install_handlers() {
  if (handlers_installed) return;
  handlers_installed = true;
  // A signal ignored by whoever started us (nohup, a background job) stays
  // ignored.
  for (int signal : kFatalSignals)
    if (!ignored_from_start(signal)) catch_signal(signal, on_fatal_signal);
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
    if (!ignored_from_start(signal)) catch_signal(signal, on_fatal_signal);
  if (!ignored_from_start(SIGTSTP)) catch_signal(SIGTSTP, on_stop_signal);
  catch_signal(SIGCONT, on_continue_signal);
  catch_signal(SIGWINCH, on_resize_signal);
}

}  // namespace

void make_raw_mode(termios& mode) {
  mode.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | IEXTEN);
  mode.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | ICRNL | INLCR | IGNCR |
                                         ISTRIP | INPCK | PARMRK);
  mode.c_cc[VMIN] = 1;
  mode.c_cc[VTIME] = 0;
}

bool take_terminal(int descriptor) {
  unsigned long device = 0;
  if (!device_of(descriptor, device)) return false;
  for (int i = 0; i < terminal_count; ++i)
    if (terminals[i].device == device) return true;
  if (terminal_count == 2) return true;  // never more than two are asked
  Terminal& terminal = terminals[terminal_count];
  if (tcgetattr(descriptor, &terminal.before) != 0) return false;
  terminal.descriptor = descriptor;
  terminal.device = device;
  terminal.raw = terminal.before;
  make_raw_mode(terminal.raw);
  install_handlers();
  // Counted before the change, so that a signal arriving now restores it.
  terminal_count = terminal_count + 1;
  raw_now = 1;
  tcsetattr(descriptor, TCSANOW, &terminal.raw);
  return true;
}

void restore_terminals() {
  raw_now = 0;
  set_all(false);
}

void die_of(int signal) {
  if (release_held_output != nullptr) release_held_output();
  restore_terminals();
  catch_signal(signal, SIG_DFL);
  unblock(signal);
  raise(signal);
  // A signal whose default is to be ignored cannot get here from a handler.
  _exit(128 + signal);
}

bool continued_since_last_asked() {
  if (continued == 0) return false;
  continued = 0;
  return true;
}

bool resized_since_last_asked() {
  if (resized == 0) return false;
  resized = 0;
  return true;
}

bool same_terminal(int first, int second) {
  unsigned long a = 0, b = 0;
  return device_of(first, a) && device_of(second, b) && a == b;
}

}  // namespace platform::posix
