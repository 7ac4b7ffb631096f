#!/bin/sh
# The programs as a user gets them, one check per call:
#   check_package.sh deb <cpack> <build folder>
#   check_package.sh zip <cpack> <build folder> [<wine>]
#   check_package.sh install <source folder> <build folder>
#   check_package.sh manual <page>...
# deb and zip make the package with CPack into a scratch folder, list it,
# unpack it and run tolvaric from it on stored sessions; install runs
# `make install` with PREFIX and with DESTDIR; manual renders each page
# with man and fails on any warning.  Sessions that read no clock are
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
deb)
  cpack=$1 build=$2
  "$cpack" -G DEB -B "$work/out" --config "$build/CPackConfig.cmake" \
    > "$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
  set -- "$work"/out/*.deb
  [ $# -eq 1 ] && [ -f "$1" ] || fail "not one .deb: $*"
  deb=$1
  dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v '/$' > "$work/names"
  same_names "$work/names" ./usr/bin/quintrel ./usr/bin/tolvaric \
    ./usr/share/man/man1/quintrel.1.gz ./usr/share/man/man1/tolvaric.1.gz
  # The dependencies come from the programs' own shared libraries.
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  case $depends in
  *"libc6 (>= "*) ;;
  *) fail "no libc6 dependency with a version: $depends" ;;
  esac
  [ "$(dpkg-deb -f "$deb" Description | head -n 1)" = \
    "random subsets that generate a powerset lattice" ] ||
    fail "description: $(dpkg-deb -f "$deb" Description)"
  dpkg-deb -x "$deb" "$work/root"
  for page in quintrel tolvaric; do
    gzip -dc "$work/root/usr/share/man/man1/$page.1.gz" |
      cmp - "$here/../../doc/$page.1" || fail "$page.1.gz"
  done
  sessions "$work/root/usr/bin/tolvaric"
  # quintrel from the package starts, and, without a terminal, says so.
  got=0
  setsid -w "$work/root/usr/bin/quintrel" < /dev/null > "$work/output" \
    2> "$work/errors" || got=$?
  [ $got -eq 1 ] && [ ! -s "$work/output" ] || fail "quintrel: status $got"
  cmp "$work/errors" "$transcripts/../quintrel/no_console.err" ||
    fail "quintrel: not the message of no console"
  ;;
zip)
  cpack=$1 build=$2 wine=${3:-}
  "$cpack" -G ZIP -B "$work/out" --config "$build/CPackConfig.cmake" \
    > "$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
  set -- "$work"/out/*.zip
  [ $# -eq 1 ] && [ -f "$1" ] || fail "not one .zip: $*"
  zip=$1
  folder=$(basename "$zip" .zip)
  unzip -Z1 "$zip" | grep -v '/$' > "$work/names"
  same_names "$work/names" "$folder/README.txt" "$folder/quintrel.exe" \
    "$folder/tolvaric.exe"
  unzip -q "$zip" -d "$work/root"
  readme=$work/root/$folder/README.txt
  # CR LF at every line end, and otherwise the text as written.
  [ "$(tr -cd '\n' < "$readme" | wc -c)" -eq \
    "$(grep -c "$(printf '\r')\$" "$readme")" ] || fail "a line end not CR LF"
  [ "$(tail -c 2 "$readme" | od -An -tx1 | tr -d ' ')" = 0d0a ] ||
    fail "README.txt does not end with CR LF"
  tr -d '\r' < "$readme" | cmp - "$here/../../doc/windows_readme.txt" ||
    fail "README.txt is not the text of doc/windows_readme.txt"
  if [ -n "$wine" ]; then
    sessions "$wine" "$work/root/$folder/tolvaric.exe"
  fi
  ;;
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
