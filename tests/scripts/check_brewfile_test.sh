#!/usr/bin/env bash
# scripts/check-brewfile against copies of the project's CMake files and
# Brewfile, changed one way per case. One line per case, then
# "N passed, N failed"; status 1 when any failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
check=$root/scripts/check-brewfile
# shellcheck source=tests/scripts/cases.sh
. "$(dirname "$0")/cases.sh"

# A fresh copy of every CMake file and the Brewfile.
copy() {
  rm -rf "$work/root" && mkdir -p "$work/root"
  (cd "$root" && find . \( -path './build*' -o -name node_modules -o -name .git \) -prune -o \
     \( -name CMakeLists.txt -o -name '*.cmake' -o -name Brewfile \) -type f -print |
     while read -r f; do mkdir -p "$work/root/$(dirname "$f")" && cp "$f" "$work/root/$f"; done)
}

# expect pass|fail name [text the output must hold]
expect() {
  local out status
  out=$("$check" "$work/root" 2>&1)
  status=$?
  if [ "$1" = pass ] && [ $status -eq 0 ]; then
    result ok "$2"
  elif [ "$1" = fail ] && [ $status -eq 1 ] && { [ -z "${3:-}" ] || grep -qF -- "$3" <<<"$out"; }; then
    result ok "$2"
  else
    result FAIL "$2 (status $status)"
    printf '%s\n' "$out" | sed 's/^/    /'
  fi
}

copy
expect pass "the project as it is"

# Every line of the Brewfile is needed: without it the check fails and
# names the formula.
while read -r formula; do
  copy
  grep -v "^brew \"$formula\"" "$root/Brewfile" >"$work/root/Brewfile"
  expect fail "without $formula" "\"$formula\" is not in the Brewfile"
done < <(sed -n 's/^brew "\(.*\)".*/\1/p' "$root/Brewfile")

# The list the workflow once installed, which lacked {fmt}.
copy
printf 'brew "%s"\n' cmake ninja nlohmann-json googletest google-benchmark >"$work/root/Brewfile"
expect fail "the old list, without fmt" 'MISSING fmt'

# A package the table does not know, in every kind of branch: looked for on
# Apple unless the branch excludes it.
branch() {  # pass|fail name cmake-text [text the output must hold]
  copy
  printf '%s\n' "$3" >>"$work/root/CMakeLists.txt"
  expect "$1" "$2" "${4:-}"
}
branch fail "at the top level" 'find_package(Foo REQUIRED)' 'UNKNOWN Foo'
branch fail "in if(APPLE)" $'if(APPLE)\n  find_package(Foo)\nendif()' 'UNKNOWN Foo'
branch pass "in if(NOT APPLE)" $'if(NOT APPLE)\n  find_package(Foo)\nendif()'
branch pass "in if( NOT  APPLE ), spaced" $'if( NOT  APPLE )\n  find_package(Foo)\nendif()'
branch fail "in the else() of if(NOT APPLE)" $'if(NOT APPLE)\nelse()\n  find_package(Foo)\nendif()' 'UNKNOWN Foo'
branch pass "in the else() of if(APPLE)" $'if(APPLE)\nelse()\n  find_package(Foo)\nendif()'
branch pass "in an elseif() after if(APPLE)" $'if(APPLE)\nelseif(QCH_X)\n  find_package(Foo)\nendif()'
branch fail "in an elseif() after another if()" $'if(QCH_X)\nelseif(QCH_Y)\n  find_package(Foo)\nendif()' 'UNKNOWN Foo'
branch fail "in if(QCH_TESTS)" $'if(QCH_TESTS)\n  find_package(Foo)\nendif()' 'UNKNOWN Foo'
branch pass "nested inside if(NOT APPLE)" $'if(NOT APPLE)\n  if(QCH_X)\n    find_package(Foo)\n  endif()\nendif()'
branch fail "after a closed if(NOT APPLE)" $'if(NOT APPLE)\nendif()\nfind_package(Foo)' 'UNKNOWN Foo'
branch fail "in if(NOT APPLE OR ...) over two lines" $'if(NOT APPLE\n   OR QCH_X)\n  find_package(Foo)\nendif()' 'UNKNOWN Foo'
branch pass "in a comment" '# find_package(Foo)'
branch fail "a library looked for on Apple" 'find_library(FOO_LIB NAMES foo)' 'UNKNOWN FOO_LIB'

# A known package needs its formula only where Apple looks for it.
copy
grep -v '^brew "google-benchmark"' "$root/Brewfile" >"$work/root/Brewfile"
sed -i 's/^  find_package(benchmark REQUIRED)$/  if(NOT APPLE)\n    find_package(benchmark REQUIRED)\n  endif()/' \
  "$work/root/CMakeLists.txt"
grep -q '^    find_package(benchmark REQUIRED)$' "$work/root/CMakeLists.txt" ||
  result FAIL "the benchmark case could not be set up"
expect pass "benchmark looked for off Apple only, without its formula"

finish
