#!/usr/bin/env bash
# scripts/lint/workflows.cjs: the project's workflows pass, and a copy of
# them with one mistake of each kind a hosted run would die of is refused,
# naming the line. Needs `npm ci` in scripts/lint (scripts/lint/run does it).
# One line per case, then "N passed, N failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
lint=$root/scripts/lint/workflows.cjs
# shellcheck source=tests/scripts/cases.sh
. "$(dirname "$0")/cases.sh"

for workflow in "$root"/.github/workflows/*.yml; do
  if out=$(node "$lint" "$workflow" 2>&1); then
    result ok "$(basename "$workflow") passes"
  else
    result FAIL "$(basename "$workflow"): $out"
  fi
done

# refused name sed-program kind: the first workflow, changed by the program,
# must be refused with a finding of that kind.
base=$(find "$root/.github/workflows" -name '*.yml' | sort | head -1)
refused() {
  sed -e "$2" "$base" >"$work/changed.yml"
  if cmp -s "$base" "$work/changed.yml"; then
    result FAIL "$1: the change did not apply"
    return
  fi
  out=$(node "$lint" "$work/changed.yml" 2>&1)
  status=$?
  if [ $status -eq 1 ] && grep -Eq "changed\\.yml:[0-9]+:[0-9]+: .*\\[$3\\]" <<<"$out"; then
    result ok "$1 is refused"
  else
    result FAIL "$1: status $status, $out"
  fi
}
refused "a runner label that does not exist" '0,/runs-on: macos-[0-9]*/s//runs-on: macos-99/' runner-label
refused "an input actions/checkout does not have" 's|- uses: actions/checkout@v4|&\n        with: {fetch-dept: 1}|' action
refused "a context member that does not exist" '0,/^    runs-on:/s//    if: github.evnt_name == '"'push'"'\n&/' expression
refused "a job that needs an unknown job" '0,/^    runs-on:/s//    needs: no-such-job\n&/' job-needs

if node "$lint" >/dev/null 2>&1; then result FAIL "no file named: status 0"; else result ok "no file named is refused"; fi

finish
