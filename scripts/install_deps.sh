#!/bin/sh
# Installs the Debian packages the build and the tests need, when missing.
set -e
missing=""
need() {  # need <package> <file that shows it is installed>
  [ -e "$2" ] || missing="$missing $1"
}
need cmake /usr/bin/cmake
need g++ /usr/bin/g++
need make /usr/bin/make
need binutils /usr/bin/addr2line
need libgtest-dev /usr/lib/x86_64-linux-gnu/cmake/GTest/GTestConfig.cmake
need tmux /usr/bin/tmux  # quintrel's real-terminal tests
# The Windows build and its tests under wine, without the recommended
# packages (desktop libraries, fonts) that no console program uses.
lean=""
need_lean() {  # need_lean <package> <file that shows it is installed>
  [ -e "$2" ] || lean="$lean $1"
}
need_lean g++-mingw-w64-x86-64-posix /usr/bin/x86_64-w64-mingw32-g++-posix
need_lean wine64 /usr/lib/wine/wine64
need_lean googletest /usr/src/googletest/CMakeLists.txt
# The packages and the manual pages: dpkg-shlibdeps for the Debian
# package's dependencies, man and groff to check the pages, unzip to list
# the Windows zip.
need_lean dpkg-dev /usr/bin/dpkg-shlibdeps
need_lean man-db /usr/bin/man
need_lean groff-base /usr/bin/groff
need_lean unzip /usr/bin/unzip
[ -z "$missing$lean" ] && exit 0
echo "installing:$missing$lean"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
[ -z "$missing" ] ||
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
[ -z "$lean" ] || DEBIAN_FRONTEND=noninteractive $sudo apt-get install \
  -y -qq --no-install-recommends $lean
