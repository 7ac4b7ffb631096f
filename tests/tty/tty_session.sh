# What the real-terminal checks share, sourced by each with $check (the
# check's name) set: a private tmux server (-L, no configuration) in a
# work folder of its own, removed at the end; a pane whose shell records
# `stty -g` before and after the program, and the program's exit status;
# keys sent with send-keys; the screen read with capture-pane, polled for
# what is expected rather than waited for.

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

# Checks that the screen ends with lines that match the extended regular
# expressions given, one per line, in order: rows the terminal wrapped are
# joined, blank rows after the last text left out.
expect_last_lines() {
  tmx capture-pane -p -J -t t |
    awk 'NF { last = NR } { row[NR] = $0 }
         END { for (i = 1; i <= last; ++i) print row[i] }' |
    tail -n $# > "$work/last"
  line=1
  for pattern; do
    sed -n "${line}p" "$work/last" | grep -qxE -- "$pattern" ||
      fail "line $line of the last $# is not /$pattern/"
    line=$((line + 1))
  done
}

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

