#!/usr/bin/env bash
# Installs the Debian packages that a task needs, when any is missing.
#   scripts/deps.sh build   compiler, CMake, Ninja, GoogleTest, Qt 6 and Xlib (the
#                           Linux program)
#   scripts/deps.sh test    build + MinGW-w64 (64 and 32-bit), Wine (its 32-bit
#                           loader only where 32-bit programs run), Xvfb, the
#                           XScreenSaver daemon, tools the tests use; for the
#                           Wayland stage headless sway, grim, swayidle, wtype
#                           (keys), Qt's Wayland platform and the D-Bus daemon
#   scripts/deps.sh bench   build + SDL2 and Google Benchmark (the peer in the benchmark),
#                           gnuplot, time and bc for the scripts in bench/
#   scripts/deps.sh fuzz    build + clang with its libFuzzer and sanitizer run-times
#   scripts/deps.sh package build + what the packages are made with (NSIS and
#                           MinGW-w64 for the Windows installer, dpkg-dev and
#                           file for the Debian package's dependencies) and
#                           checked with (lintian)
set -euo pipefail

build=(g++ cmake ninja-build libgtest-dev googletest pkg-config qt6-base-dev qt6-multimedia-dev
       libx11-dev fonts-liberation)
test=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 xvfb xauth
      xdotool imagemagick sox x11-utils xscreensaver libxml2-utils procps
      sway swaybg grim swayidle wtype qt6-wayland dbus libwayland-dev libwayland-bin python3)
bench=(libsdl2-dev libbenchmark-dev gnuplot-nox time bc)
fuzz=(clang libclang-rt-dev)
package=(g++-mingw-w64-x86-64-posix nsis dpkg-dev file lintian)

wanted=("${build[@]}")
for group in "$@"; do
  case "$group" in
    build) ;;
    test)
      wanted+=("${test[@]}")
      # Wine's 32-bit loader only where the kernel runs 32-bit programs:
      # elsewhere it cannot start, and /usr/bin/wine would pick it anyway.
      if probe=$("$(dirname "$0")/probe-32bit.sh"); then
        wanted+=(wine32:i386)
      else
        echo "deps.sh: 32-bit programs cannot run here (${probe#no: }): not installing wine32:i386"
      fi
      ;;
    bench) wanted+=("${bench[@]}") ;;
    fuzz) wanted+=("${fuzz[@]}") ;;
    package) wanted+=("${package[@]}") ;;
    *) echo "deps.sh: unknown group '$group' (build, test, bench, fuzz, package)" >&2; exit 2 ;;
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
# Wine's 32-bit loader comes from the i386 architecture.
for pkg in "${missing[@]}"; do
  if [[ $pkg == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
done
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}" >/dev/null
