#!/usr/bin/env bash
# scripts/macos-e2e's command line, which needs no Mac: usage, options,
# where it looks for the programs, and its refusal to run elsewhere (here:
# not macOS). Stand-in programs mark a build folder as built. One line per
# case, then "N passed, N failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
e2e=$root/scripts/macos-e2e
# shellcheck source=tests/scripts/cases.sh
. "$(dirname "$0")/cases.sh"

# built folder [programs...]: a build folder holding stand-ins that fail
# the case if they ever run (nothing may run before the platform check).
built() {
  local dir=$work/$1
  shift
  mkdir -p "$dir/src"
  for program in "$@"; do
    printf '#!/bin/sh\necho ran >>"%s/ran"\nexit 99\n' "$work" >"$dir/src/$program"
    chmod +x "$dir/src/$program"
  done
}
built full quorvel-computer-helper quorvel-computer-e2e
built driver-only quorvel-computer-e2e
built helper-only quorvel-computer-helper
cp "$work/full/src/quorvel-computer-helper" "$work/universal-helper"

# case name expected-status text-in-output args...
case_() {
  local name=$1 status=$2 text=$3 out got
  shift 3
  rm -f "$work/ran"
  out=$(cd "$work" && "$e2e" "$@" 2>&1)
  got=$?
  if [ "$got" -eq "$status" ] && grep -qF -- "$text" <<<"$out" && [ ! -e "$work/ran" ]; then
    result ok "$name"
  else
    result FAIL "$name: status $got (expected $status), ran: $([ -e "$work/ran" ] && echo yes || echo no)"
    printf '%s\n' "$out" | sed 's/^/    /'
  fi
}

case_ "--help prints the usage" 0 "usage: scripts/macos-e2e [--helper PATH] [BUILD_DIR]" --help
case_ "-h prints the usage" 0 "usage:" -h
case_ "an unknown option" 2 "unknown option: --keep" --keep
case_ "two build folders" 2 "one build folder only" full full
case_ "--helper without a path" 2 "--helper needs a path" full --helper
case_ "--helper= without a path" 2 "--helper needs a path" --helper= full
case_ "the default folder, not built" 2 "no build/src/quorvel-computer-e2e"
case_ "a folder without the driver" 2 "no helper-only/src/quorvel-computer-e2e" helper-only
case_ "a folder without the helper" 2 "no driver-only/src/quorvel-computer-helper" driver-only
case_ "--helper names a missing file" 2 "no $work/none" driver-only --helper "$work/none"
case_ "--helper names another helper" 2 "runs on macOS only" driver-only --helper "$work/universal-helper"
case_ "--helper= before the folder" 2 "runs on macOS only" --helper="$work/universal-helper" driver-only
case_ "a built folder, not on macOS" 2 "runs on macOS only" full

finish
