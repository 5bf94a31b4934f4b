# What the script tests share (sourced, not run): a scratch folder removed
# at exit, one line per case and the closing "N passed, N failed" line.
# shellcheck shell=bash
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

passed=0 failed=0
result() {  # ok|FAIL name
  if [ "$1" = ok ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
  echo "$1 $2"
}

# The closing line; status 1 when any case failed.
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
