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
[ -z "$missing" ] && exit 0
echo "installing:$missing"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
