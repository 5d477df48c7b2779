#!/usr/bin/env bash
# Tells whether this machine runs 32-bit x86 programs: it writes the smallest
# 32-bit Linux program (it only exits with status 42) and runs it. Exit status
# 0 and "yes" when it ran; 1 and "no: REASON" when it did not (a kernel without
# 32-bit support answers "no: Exec format error"). Needs no package.
# GRINZO_ASSUME_NO_32BIT=1 makes it answer "no" (a test-only override, to try
# the path of machines that cannot).
set -uo pipefail
if [ -n "${GRINZO_ASSUME_NO_32BIT:-}" ]; then
  echo "no: GRINZO_ASSUME_NO_32BIT is set"
  exit 1
fi
dir=$(mktemp -d "${TMPDIR:-/tmp}/grinzo-probe32.XXXXXX")
trap 'rm -rf "$dir"' EXIT
program=$dir/exit42
{
  # ELF header: 32-bit, little-endian, executable for the i386, entry 0x08048054.
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
  printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
  printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'
  printf '\x00\x00\x00\x00'
  # One loadable segment: the whole 96-byte file at 0x08048000, read and execute.
  printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
  printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
  # mov eax, 1 (exit); mov ebx, 42; int 0x80
  printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'
} >"$program"
chmod +x "$program"
reason=$("$program" 2>&1)
status=$?
if [ "$status" -eq 42 ]; then
  echo "yes"
  exit 0
fi
reason=${reason##*: }
echo "no: ${reason:-the program ended with status $status}"
exit 1
