#!/usr/bin/env bash
# Installs the Debian packages that a task needs, when any is missing.
#   scripts/deps.sh build   compiler, CMake, Ninja, GoogleTest
#   scripts/deps.sh test    build + MinGW-w64, Wine, Xvfb, tools the tests use
#   scripts/deps.sh bench   build + SDL2 and Google Benchmark (the peer in the benchmark)
set -euo pipefail

build=(g++ cmake ninja-build libgtest-dev googletest pkg-config)
test=(g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth xdotool imagemagick sox)
bench=(libsdl2-dev libbenchmark-dev)

wanted=("${build[@]}")
for group in "$@"; do
  case "$group" in
    build) ;;
    test) wanted+=("${test[@]}") ;;
    bench) wanted+=("${bench[@]}") ;;
    *) echo "deps.sh: unknown group '$group' (build, test, bench)" >&2; exit 2 ;;
  esac
done

missing=()
for pkg in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}" >/dev/null
