#!/bin/sh
# quintrel on a terminal that changes under it, one check per call:
#   living_terminal_check.sh <check> <quintrel> <slow_link>
# with <check> one of
#   window_grown, window_shrunk   the window resized at a prompt
#   suspend_resume                Ctrl-Z, a shell line, fg, in bash
#   suspend_in_a_script           the same, the program started by a script
#   slow_link                     250 ms each way (slow_link.cc)
#   report_in_pieces              the terminal's bytes 25 ms apart
#   late_report_drained           an answer later than the wait for it
#   long_answers                  terminals' answers typed before answers
#   ctrl_j_and_e_acute            Ctrl-J and a typed e with acute accent
# in a detached 80 x 25 tmux session (tty_session.sh).  Exit 77 (skipped)
# when tmux is not installed.
set -eu

check=$1
program=$2
relay=$3
command -v tmux >/dev/null 2>&1 || { echo "tmux is not installed"; exit 77; }

. "$(dirname "$0")/tty_session.sh"

# The 1-based row of the first line from row $2 on that begins with $1
# (fixed text); empty when there is none.
row_of() {
  screen | awk -v text="$1" -v from="$2" \
    'NR >= from && index($0, text) == 1 { print NR; exit }'
}

# Fails unless lines beginning with each argument stand on the screen in
# this order, each on a row of its own below the one before.
rows_in_order() {
  row=0
  for text in "$@"; do
    found=$(row_of "$text" $((row + 1)))
    [ -n "$found" ] || fail "no line \"$text\" below row $row"
    row=$found
  done
}

# The rows a run of $1 tests at n=16 and k=8 leaves, from k's answer on.
report_rows() {
  rows_in_order "Enter k  in [2...120] :8" \
    "Enter the number of tests, or enter 0 for arbtrary many tests: $1" \
    '"Merrowin" ver.' "Computation starts at " \
    "n=16 k=8 Tested:$1 Generating:" \
    "Enter 1 to start again, or enter 0 to abandon."
}

# After k's answer: 300 tests, the report's rows checked, no restart.
run_300_and_finish() {
  answer 300 "arbtrary many tests:"
  wait_for "Enter 1 to start again"
  report_rows 300
  finish_dialogue
}

# Polls until the pane is $1 rows high.
wait_for_height() {
  tries=0
  until [ "$(tmx display-message -p -t t '#{pane_height}')" = "$1" ]; do
    tries=$((tries + 1))
    [ $tries -le 400 ] || fail "the window did not become $1 rows high"
    sleep 0.025
  done
}

# The program started on row 2, below a line the shell wrote on row 1.
starts_at_the_cursor() {
  wait_for "Enter n in [2...2000] :"
  [ "$(row_of marker 1)" = 1 ] || fail "the shell's line has gone"
  [ "$(row_of " Quintrel  -" 1)" = 2 ] ||
    fail "the introduction did not start at the cursor"
}

case $check in
window_grown | window_shrunk)
  height=35
  [ "$check" = window_grown ] || height=15
  start "'$program'"
  answer 16 "Enter n in"
  wait_for "Enter k  in [2...120] :"
  tmx resize-window -t t -x 80 -y $height
  wait_for_height $height
  keys -l 8
  keys Enter
  run_300_and_finish
  ;;
suspend_resume | suspend_in_a_script)
  # From bash itself, or through a script, which bash sees stop first and
  # may take the terminal back from before the program has stopped.  The
  # mode is recorded before the program starts and after it ends.
  cat > "$work/run.sh" <<RUN
stty -g > "$work/before"
'$program'
echo \$? > "$work/status.part"
stty -g > "$work/after"
mv "$work/status.part" "$work/status"
RUN
  job="sh $work/run.sh"
  [ "$check" = suspend_in_a_script ] || job="$program"
  tmx new-session -d -x 80 -y 25 -s t \
    "env -i TERM=screen PATH='$PATH' PS1='$ ' bash --norc --noprofile -i"
  wait_for "$"
  if [ "$check" = suspend_in_a_script ]; then
    keys -l "$job"
  else
    keys -l "stty -g > $work/before; $job"
  fi
  keys Enter
  answer 16 "Enter n in"
  wait_for "Enter k"
  keys -l 12
  wait_for_line "Enter k  in [2...120] :12"
  keys C-z
  wait_for "Stopped"
  keys -l "echo hello"
  keys Enter
  wait_for_line "hello"
  keys -l fg
  keys Enter
  wait_for_line "$job"
  # Keys typed before the program has made its terminal raw again would
  # meet the shell's mode (Enter becoming a line feed).
  pane_tty=$(tmx display-message -p -t t '#{pane_tty}')
  tries=0
  until stty -F "$pane_tty" -a | grep -q -- "-icrnl"; do
    tries=$((tries + 1))
    [ $tries -le 400 ] || fail "the terminal was not made raw again"
    sleep 0.025
  done
  # The line editor still holds 12; its echo goes on below the shell's
  # lines, and so does the next prompt.
  keys BSpace BSpace
  keys -l 8
  keys Enter
  wait_for "arbtrary many tests:"
  rows_in_order "Enter k  in [2...120] :12" "hello" "\$ fg" "$job" "8" \
    "Enter the number of tests"
  answer 300 "arbtrary many tests:"
  if [ "$check" = suspend_in_a_script ]; then
    finish_dialogue
  else
    answer 0 "Enter 1 to start again"
    wait_for "Hit <enter>."
    keys Enter
    keys -l "echo \$? > $work/status.part; stty -g > $work/after; mv $work/status.part $work/status"
    keys Enter
    expect_end 0
  fi
  ;;
slow_link | report_in_pieces)
  # The answer to the cursor query comes half a second after asking, or
  # byte by byte, 25 ms apart.
  delay="250 0"
  [ "$check" = slow_link ] || delay="0 25"
  start "printf '\033[H\033[2J'; echo marker; '$relay' $delay '$program'"
  starts_at_the_cursor
  answer 16 "Enter n in"
  answer 8 "Enter k"
  answer 300 "arbtrary many tests:"
  wait_for "Enter 1 to start again"
  rows_in_order "Enter n in [2...2000] :16" "Enter k  in [2...120] :8"
  report_rows 300
  finish_dialogue
  ;;
late_report_drained)
  # 600 ms each way: the answer comes after the second the program waits,
  # while it still runs, answers read from a pipe.  Whatever the terminal
  # holds unread afterwards is caught.
  mkfifo "$work/answers"
  cat > "$work/inner.sh" <<INNER
'$program' < '$work/answers'
echo \$? > '$work/program_status'
stty raw -echo min 0 time 5
cat -v > '$work/pending'
stty sane
INNER
  start "'$relay' 600 0 sh '$work/inner.sh'"
  exec 3>"$work/answers"
  for question in "Enter n in:16" "Enter k  in:8" "arbtrary many tests::300" \
    "Enter 1 to start again:0" "Hit <enter>.:"; do
    wait_for "${question%:*}"
    echo "${question##*:}" >&3
  done
  exec 3>&-
  expect_end 0
  [ "$(cat "$work/program_status")" = 0 ] || fail "the program failed"
  [ ! -s "$work/pending" ] ||
    fail "left unread on the terminal: $(cat "$work/pending")"
  ;;
long_answers)
  start "'$program'"
  wait_for "Enter n in [2...2000] :"
  # A device attributes answer of 35 bytes, then the answer.
  keys -H 1b 5b 3f 36 34 3b 31 3b 32 3b 36 3b 39 3b 31 35 3b 31 36 3b 31 37 \
    3b 31 38 3b 32 31 3b 32 32 3b 32 38 63
  keys -l 16
  keys Enter
  # A colour answer (OSC ended by BEL) and a setting (DCS ended by ST).
  wait_for "Enter k  in [2...120] :"
  keys -H 1b 5d 31 31 3b 72 67 62 3a 66 66 66 66 2f 66 66 66 66 2f 66 66 \
    66 66 07
  keys -l 8
  keys Enter
  wait_for "arbtrary many tests:"
  keys -H 1b 50 31 24 72 30 6d 1b 5c
  keys -l 300
  keys Enter
  wait_for "Enter 1 to start again"
  rows_in_order "Enter n in [2...2000] :16" "Enter k  in [2...120] :8"
  report_rows 300
  finish_dialogue
  ;;
ctrl_j_and_e_acute)
  start "'$program'"
  # Ctrl-J is stored and moves the cursor down; Enter ends the line.
  wait_for "Enter n in [2...2000] :"
  keys -l 16
  keys C-j
  keys Enter
  wait_for "Enter k  in [2...120] :"
  n_row=$(row_of "Enter n in [2...2000] :16" 1)
  k_row=$(row_of "Enter k  in [2...120] :" 1)
  [ "$k_row" = $((n_row + 2)) ] || fail "Ctrl-J did not move down a row"
  [ -z "$(screen | sed -n "$((n_row + 1))p")" ] || fail "Ctrl-J drew"
  # A typed e with acute accent is drawn back as typed, then erased.
  keys -H c3 a9
  wait_for_line "$(printf 'Enter k  in [2...120] :\303\251')"
  keys BSpace
  keys -l 8
  keys Enter
  run_300_and_finish
  ;;
*)
  echo "unknown check $check"
  exit 2
  ;;
esac
echo "passed: $check"
