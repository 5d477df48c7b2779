# shellcheck shell=bash
# Processes of the test scripts (source it). Every wait is bounded.
#   alive PID                    running and not yet a zombie
#   tree_of PID                  the process and its descendants, parents first
#   kill_all PID...              TERM, up to 2 s of grace, then KILL
#   wait_for SECONDS COMMAND...  polls every 0.1 s until COMMAND succeeds;
#                                status 1 when SECONDS pass first

alive() {
  local state
  state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -c1) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}

tree_of() {
  local child
  echo "$1"
  for child in $(pgrep -P "$1" || true); do tree_of "$child"; done
}

kill_all() {
  [ $# -gt 0 ] || return 0
  local p any
  kill "$@" 2>/dev/null || true
  for _ in $(seq 20); do
    any=""
    for p in "$@"; do alive "$p" && any=1; done
    [ -n "$any" ] || break
    sleep 0.1
  done
  kill -KILL "$@" 2>/dev/null || true
}

wait_for() {
  local end=$((${EPOCHREALTIME//[.,]/} + $1 * 1000000))
  shift
  until "$@"; do
    ((${EPOCHREALTIME//[.,]/} < end)) || return 1
    sleep 0.1
  done
}
