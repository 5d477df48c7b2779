# shellcheck shell=bash
# Reporting the checks of a test script (source it).
# Scripts that stop at the first failure:
#   pass TEXT           prints "PASS TEXT"
#   fail TEXT           prints "FAIL TEXT" on stderr and exits 1
# Scripts that run every case and count:
#   case_ NAME COMMAND...  runs COMMAND, which sets why on failure, and prints
#                          "PASS NAME (N s)" or "FAIL NAME: WHY (N s)"; then
#                          runs case_cleanup, which the script defines, so
#                          that what a case left running never disturbs the
#                          next one
#   cases_summary          prints "N passed, M failed"; status 1 when any failed

pass() { echo "PASS $1"; }
fail() {
  echo "FAIL $1" >&2
  exit 1
}

passed=0 failed=0
case_() {
  local start=$SECONDS
  why=""
  if "${@:2}"; then
    passed=$((passed + 1))
    echo "PASS $1 ($((SECONDS - start)) s)"
  else
    failed=$((failed + 1))
    echo "FAIL $1: ${why:-failed} ($((SECONDS - start)) s)"
  fi
  case_cleanup
}

cases_summary() {
  echo "$passed passed, $failed failed"
  ((failed == 0))
}
