#!/bin/sh
# The programs as a user gets them, one check per call:
#   check_package.sh install <source folder> <build folder>
#   check_package.sh manual <page>...
# install runs `make install` with PREFIX and with DESTDIR and tolvaric
# from there on stored sessions; manual renders each page with man and
# fails on any warning.  Sessions that read no clock are
# compared byte for byte; in the others the time of day, the seconds and
# the report addresses are masked first (the stored '?' of the
# transcripts, 'H:M:S.MS' and a field of 'S').
set -eu

check=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
transcripts=$here/../transcripts/tolvaric
work=$(mktemp -d "${TMPDIR:-/tmp}/package-check.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM HUP

fail() {
  echo "FAILED ($check): $*"
  exit 1
}

# The clock's fields and the code addresses, which differ from run to run
# and from build to build.
mask() {
  sed -E -e 's/^(Computation starts at )[0-9]+:[0-9]+:[0-9]+\.[0-9]+\r$/\1H:M:S.MS\r/' \
    -e 's/(used)[ 0-9]{11}\.[0-9]{3}( seconds\.)/\1SSSSSSSSSSS.SSS\2/' \
    -e 's/0x[0-9A-F]{8}/0x????????/g'
}

# Runs the session <in> through <launcher...> <program>: its output,
# masked when <masked> is yes, must be <out> and its exit status <status>.
session() {  # session <in> <out> <status> <masked> <launcher and program...>
  in=$1 out=$2 status=$3 masked=$4
  shift 4
  got=0
  "$@" < "$in" > "$work/output" 2>/dev/null || got=$?
  [ "$got" -eq "$status" ] ||
    fail "$(basename "$in"): exit status $got, expected $status"
  if [ "$masked" = yes ]; then
    mask < "$work/output" > "$work/compared"
  else
    cp "$work/output" "$work/compared"
  fi
  cmp "$work/compared" "$out" ||
    fail "$(basename "$in"): output differs from $(basename "$out")"
}

# tolvaric's stored sessions: two that never read the clock, compared
# whole; an improper answer, whose report shows code addresses; two runs,
# with a restart between, whose counts are certain (three subsets cannot
# separate four elements, nor seven).
sessions() {  # sessions <launcher and tolvaric...>
  session "$transcripts/count_zero_halts.in" \
    "$transcripts/count_zero_halts.out" 0 no "$@"
  session "$transcripts/k_above_range.in" "$transcripts/k_above_range.out" \
    0 no "$@"
  session "$transcripts/improper_answer.in" \
    "$transcripts/improper_answer.out" 217 yes "$@"
  session "$here/two_runs.in" "$here/two_runs.out" 0 yes "$@"
}

# The names in a listing must be exactly the expected ones, in any order.
same_names() {  # same_names <listing file> <expected name>...
  listing=$1
  shift
  printf '%s\n' "$@" | sort > "$work/expected_names"
  sort "$listing" | cmp -s - "$work/expected_names" || {
    echo "--- listed:"
    cat "$listing"
    fail "the listing is not as expected"
  }
}

case $check in
install)
  source=$1 build=$2
  # Run from the tests, make must not join the make that started them.
  unset MAKEFLAGS MFLAGS MAKELEVEL
  for how in "PREFIX=$work/prefix" "PREFIX=/usr DESTDIR=$work/stage"; do
    # shellcheck disable=SC2086
    make -C "$source" install BUILD="$build" $how > "$work/make.log" 2>&1 ||
      { cat "$work/make.log"; fail "make install $how"; }
  done
  for root in "$work/prefix" "$work/stage/usr"; do
    (cd "$root" && find . -type f) > "$work/names"
    same_names "$work/names" ./bin/quintrel ./bin/tolvaric \
      ./share/man/man1/quintrel.1.gz ./share/man/man1/tolvaric.1.gz
    sessions "$root/bin/tolvaric"
  done
  ;;
manual)
  for page in "$@"; do
    name=$(basename "$page" .1)
    LC_ALL=C MANWIDTH=80 man --warnings=w -l "$page" > "$work/page" \
      2> "$work/warnings" || fail "man $page"
    [ ! -s "$work/warnings" ] || { cat "$work/warnings"; fail "$page warns"; }
    # The sections a reader looks for, in their order.
    grep -E '^[A-Z][A-Z ]+$' "$work/page" | tr '\n' ',' > "$work/sections"
    [ "$(cat "$work/sections")" = "NAME,SYNOPSIS,DESCRIPTION,LIMITS,EXIT STATUS,FAILURE REPORT,EXAMPLE,NOTES,SEE ALSO," ] ||
      fail "$page sections: $(cat "$work/sections")"
    grep -q "^       $name - " "$work/page" || fail "$page: no NAME line"
  done
  ;;
*)
  echo "unknown check $check"
  exit 2
  ;;
esac
echo "passed: $check"
