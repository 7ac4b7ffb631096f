#!/bin/sh
# quintrel on a real terminal, one check per call:
#   run_tty_check.sh <check> <quintrel>
# with <check> one of the cases below, in a detached 80 x 25 tmux session
# (tty_session.sh).  Exit 77 (skipped) when tmux is not installed.  Keys
# sent: DEL (Backspace), ESC (Esc), CSI 1 ~ (Home, as tmux sends it),
# SS3 H (Home) and CSI F (End) as raw bytes, ESC r (Alt-R), ^C.
set -eu

check=$1
program=$2
command -v tmux >/dev/null 2>&1 || { echo "tmux is not installed"; exit 77; }

. "$(dirname "$0")/tty_session.sh"

start_with_pid() {  # the program alone, its process id in $work/pid
  cat > "$work/with_pid.sh" <<WRAPPER
ulimit -c 0
echo \$\$ > "$work/pid"
exec '$program'
WRAPPER
  start "sh '$work/with_pid.sh'"
}

# The failure report's first line and its back-trace lines.
report_start="An unhandled exception occurred at 0x[0-9A-F]{8} :"
trace_line="  0x[0-9A-F]{8}"

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
output_to_limited_file)
  # Standard output a file that may not grow at all: the failure report of
  # an improper answer cannot be written, and the program still ends with
  # 217 and the terminal restored, not killed by SIGXFSZ.
  start "(ulimit -f 0; exec '$program' > '$work/output')"
  answer x "Enter n in"
  expect_end 217
  [ -f "$work/output" ] && [ ! -s "$work/output" ] ||
    fail "the limited file is not empty"
  ;;
input_from_file)
  printf '16\n8\n300\n0\n\n' > "$work/answers"
  start "'$program' < '$work/answers'"
  expect_end 0
  screen | grep -qF "n=16 k=8 Tested:300 Generating:" || fail "no report"
  screen | grep -qF "Thank you for using this program." || fail "no goodbye"
  ;;
closed_input)
  # Standard input closed: the terminal that quintrel opens must not take
  # its place.  The first answer fails as tolvaric's does, "Invalid file
  # handle" on standard output and 217, the addresses apart.
  start "'$program' <&- > '$work/output'"
  expect_end 217
  status=0
  "$(dirname "$program")/tolvaric" <&- > "$work/tolvaric_output" || status=$?
  [ "$status" = 217 ] || fail "tolvaric ended with $status, expected 217"
  report() {  # the report in $1, its addresses masked
    sed -n 's/.*\(An unhandled exception\)/\1/; /^An unhandled/,$p' "$1" |
      sed 's/0x[0-9A-F]\{8\}/0x#/g'
  }
  report "$work/output" > "$work/report"
  grep -q "^Invalid file handle" "$work/report" || fail "no report in the file"
  report "$work/tolvaric_output" | cmp -s - "$work/report" ||
    fail "the reports differ: $(cat "$work/report")"
  ;;
signal_at_prompt)
  # SIGUSR1 while the program waits for keys: the terminal restored, then
  # death by that signal (128 + 10).
  start_with_pid
  wait_for "Enter n in [2...2000] :"
  kill -USR1 "$(cat "$work/pid")"
  expect_end 138
  ;;
signal_during_run)
  # SIGABRT in an endless run (128 + 6), marks being drawn.
  start_with_pid
  answer 16 "Enter n in"
  answer 8 "Enter k"
  answer 0 "arbtrary many tests:"
  wait_for ". . . "
  kill -ABRT "$(cat "$work/pid")"
  expect_end 134
  ;;
report_after_prompts)
  # Answers from a file: nothing is echoed, the improper k is read at
  # once, and the report must follow the k prompt that was drawn before
  # it, at the cursor the layer placed, not come before it.
  printf '1\nx\n' > "$work/answers"
  start "'$program' < '$work/answers'"
  expect_end 217
  expect_last_lines \
    "Enter n in \[2\.\.\.2000\] :Enter k  in \[2\.\.\.120\] :$report_start" \
    "Invalid input" "$trace_line" "$trace_line" "$trace_line"
  ;;
report_after_restart_prompt)
  # A run, then an improper answer to the restart question, from a file.
  printf '8\n3\n1\nx\n' > "$work/answers"
  start "'$program' < '$work/answers'"
  expect_end 217
  expect_last_lines \
    "n=8 k=3 Tested:1 Generating:[01]; Quintrel used +0\.[0-9]{3} seconds\." \
    "" "Enter 1 to start again, or enter 0 to abandon\. $report_start" \
    "Invalid input" "$trace_line" "$trace_line"
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
