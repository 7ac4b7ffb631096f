#!/bin/sh
# quintrel on a real terminal, one check per call:
#   run_tty_check.sh <check> <quintrel>
# with <check> one of dialogue, alt_r_stop, ctrl_c, output_to_file,
# input_from_file, input_from_a_pipe.  A private tmux server (-L, no configuration) runs a
# detached 80 x 25 session whose shell records `stty -g` before and after
# the program, and the program's exit status.  Keys go in with send-keys;
# the screen is read with capture-pane, polled for what is expected rather
# than waited for.  Exit 77 (skipped) when tmux is not installed.  Keys
# sent: DEL (Backspace), ESC (Esc), CSI 1 ~ (Home, as tmux sends it),
# SS3 H (Home) and CSI F (End) as raw bytes, ESC r (Alt-R), ^C.
set -eu

check=$1
program=$2
command -v tmux >/dev/null 2>&1 || { echo "tmux is not installed"; exit 77; }

work=$(mktemp -d "${TMPDIR:-/tmp}/quintrel-tty.XXXXXX")
socket="quintrel-tty-$check-$$"
tmx() { tmux -L "$socket" -f /dev/null "$@"; }
cleanup() {
  tmx kill-server >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

fail() {
  echo "FAILED ($check): $*"
  echo "--- screen:"
  tmx capture-pane -p -t t 2>/dev/null || true
  exit 1
}

screen() { tmx capture-pane -p -t t; }

# Polls the screen until it holds $1 (fixed text), which may run on from
# one row into the next, for at most 10 seconds.
wait_for() {
  tries=0
  until screen | tr -d '\n' | grep -qF -- "$1"; do
    tries=$((tries + 1))
    [ $tries -le 400 ] || fail "no \"$1\" on the screen"
    sleep 0.025
  done
}

# Polls until the screen has a line that is exactly $1.
wait_for_line() {
  tries=0
  until screen | grep -qxF -- "$1"; do
    tries=$((tries + 1))
    [ $tries -le 400 ] || fail "no line \"$1\" on the screen"
    sleep 0.025
  done
}

keys() { tmx send-keys -t t "$@"; }

# Polls until the program has ended; its exit status must be $1.
expect_end() {
  tries=0
  until [ -f "$work/status" ]; do
    tries=$((tries + 1))
    [ $tries -le 400 ] || fail "the program did not end"
    sleep 0.025
  done
  status=$(cat "$work/status")
  [ "$status" = "$1" ] || fail "exit status $status, expected $1"
  cmp -s "$work/before" "$work/after" ||
    fail "mode not restored: $(cat "$work/before") -> $(cat "$work/after")"
}

start() {  # start <how the pane's shell runs the program>
  # The shell catches Ctrl-C (to carry on after the program), rather than
  # ignoring it, which the program would inherit.
  cat > "$work/pane.sh" <<PANE
trap : INT
stty -g > "$work/before"
$1
echo \$? > "$work/status.part"
stty -g > "$work/after"
mv "$work/status.part" "$work/status"
exec sleep 600
PANE
  tmx new-session -d -x 80 -y 25 -s t "sh '$work/pane.sh'"
}

answer() {  # types $1 and Enter once the prompt $2 is shown
  wait_for "$2"
  keys -l "$1"
  keys Enter
}

finish_dialogue() {  # after a report: no restart, then the last Enter
  wait_for "Enter 1 to start again, or enter 0 to abandon."
  answer 0 "Enter 1 to start again"
  wait_for "Hit <enter>."
  keys Enter
  expect_end 0
}

case $check in
dialogue)
  start "'$program'"
  # n: a wrong digit taken back with Backspace (DEL).
  wait_for "Enter n in [2...2000] :"
  keys -l 17
  keys BSpace
  keys -l 6
  keys Enter
  # k: Esc erases the line (once the lone ESC has timed out); then Home
  # in tmux's form (CSI 1 ~) before overwriting the x.
  wait_for "Enter k  in [2...120] :"
  keys -l 9
  wait_for_line "Enter k  in [2...120] :9"
  keys Escape
  wait_for_line "Enter k  in [2...120] :"
  keys -l x
  keys Home
  keys -l 8
  keys Enter
  # tests: Home as SS3 H and End as CSI F, raw.
  wait_for "enter 0 for arbtrary many tests:"
  keys -l x0
  keys -H 1b 4f 48
  keys -l 1
  keys -H 1b 5b 46
  keys -l 0
  keys Enter
  wait_for "Enter 1 to start again"
  screen | grep -qxF "Enter n in [2...2000] :16" || fail "n not shown as 16"
  screen | grep -qxF "Enter k  in [2...120] :8" || fail "k not shown as 8"
  screen | grep -qF "arbtrary many tests: 100" || fail "tests not shown as 100"
  screen | grep -qF "n=16 k=8 Tested:100 Generating:" || fail "no report"
  screen | grep -qF "Quintrel used" || fail "no time"
  finish_dialogue
  ;;
alt_r_stop)
  start "'$program'"
  answer 16 "Enter n in"
  answer 8 "Enter k"
  answer 0 "arbtrary many tests:"
  wait_for ". . . "
  keys M-r
  wait_for " Entering into stop mode ..., please wait"
  wait_for "Enter 1 to start again"
  tested=$(screen | sed -n 's/^n=16 k=8 Tested:\([0-9]*\) Generating:.*/\1/p')
  [ -n "$tested" ] || fail "no report line"
  # Progress marks had been shown: at least 512 tuples.
  [ "$tested" -ge 512 ] || fail "tested $tested, expected at least 512"
  finish_dialogue
  ;;
ctrl_c)
  start "'$program'"
  answer 16 "Enter n in"
  answer 8 "Enter k"
  answer 0 "arbtrary many tests:"
  wait_for ". . . "
  keys C-c
  expect_end 130
  ;;
output_to_file)
  start "'$program' > '$work/output'"
  answer 16 "Enter n in"
  answer 8 "Enter k"
  answer 300 "arbtrary many tests:"
  wait_for "n=16 k=8 Tested:300 Generating:"
  finish_dialogue
  [ -f "$work/output" ] && [ ! -s "$work/output" ] ||
    fail "standard output file not empty"
  ;;
input_from_file)
  printf '16\n8\n300\n0\n\n' > "$work/answers"
  start "'$program' < '$work/answers'"
  expect_end 0
  screen | grep -qF "n=16 k=8 Tested:300 Generating:" || fail "no report"
  screen | grep -qF "Thank you for using this program." || fail "no goodbye"
  ;;
input_from_a_pipe)
  # Answers typed into a pipe one by one, each once its question shows:
  # every question must reach the screen while the program waits on the
  # pipe, and an endless run's marks while it runs.
  mkfifo "$work/answers"
  start "'$program' < '$work/answers'"
  exec 3>"$work/answers"
  wait_for "Enter n in [2...2000] :"
  echo 16 >&3
  wait_for "Enter k  in [2...120] :"
  echo 8 >&3
  wait_for "arbtrary many tests:"
  echo 0 >&3
  wait_for ". . . "
  keys C-c
  expect_end 130
  exec 3>&-
  ;;
*)
  echo "unknown check $check"
  exit 2
  ;;
esac
echo "passed: $check"
