#!/bin/sh
# The wine session of the Windows tests, in the prefix that WINEPREFIX
# names.  start: one wine server for all the test programs, then the
# prefix, created on first use, with the null graphics driver.  stop: ends
# that server.
# Usage: wine_session.sh <wine> <wineserver> start|stop
set -e
wine=$1
server=$2
case $3 in
  start)
    mkdir -p "$WINEPREFIX"
    # A server that a program starts keeps that program's descriptors: a
    # test reading the program's output to its end would wait for the
    # server to exit too.  This one holds none, and stays between programs.
    # Already running (a run just before): that one serves.
    "$server" -p30 </dev/null >/dev/null 2>&1 || true
    # Creating the prefix takes seconds and talks on standard error; the
    # talk is shown only when it fails.
    log="$WINEPREFIX.log"
    if ! "$wine" wineboot --init </dev/null >"$log" 2>&1; then
      cat "$log" >&2
      exit 1
    fi
    # The null graphics driver: a console that a test makes for itself
    # then has no window and needs no display (without it, one comes only
    # after seconds of looking for a display, and cannot be queried).  The
    # programs already running keep the driver they started with, so a
    # prefix that has just been given it starts over with a new server.
    if ! grep -q '^"Graphics"="null"' "$WINEPREFIX/user.reg" 2>/dev/null; then
      if ! "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics \
           /d null /f </dev/null >"$log" 2>&1; then
        cat "$log" >&2
        exit 1
      fi
      "$server" -k 2>/dev/null || true
      "$server" -w
      "$server" -p30 </dev/null >/dev/null 2>&1
    fi
    ;;
  stop)
    "$server" -k 2>/dev/null || true
    ;;
  *)
    echo "usage: $0 <wine> <wineserver> start|stop" >&2
    exit 2
    ;;
esac
