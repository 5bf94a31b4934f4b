#!/usr/bin/env bash
# scripts/macos-package --verify against small programs linked for macOS
# here, each wrong in one way a shipped binary must not be. Needs the
# sysroot that scripts/macos-check or scripts/macos-package made
# (build-macos-sysroot, from MACOS_SDK_GIT) and Debian's clang-19, lld-19
# and llvm-19; without them it says so and runs nothing. One line per case,
# then "N passed, N failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
package=$root/scripts/macos-package
sysroot=$root/build-macos-sysroot/root
for tool in clang-19 llvm-lipo-19 llvm-otool-19 ld64.lld-19; do
  command -v "$tool" >/dev/null || { echo "macos_package_test: skipped, no $tool"; exit 0; }
done
[ -d "$sysroot" ] || { echo "macos_package_test: skipped, no sysroot (scripts/macos-package makes it)"; exit 0; }
# shellcheck source=tests/scripts/cases.sh
. "$(dirname "$0")/cases.sh"

printf 'int main(void) { return 0; }\n' >"$work/main.c"
printf 'int extra(void) { return 1; }\n' >"$work/extra.c"
slice() {  # name arch macos-version linker-flags...
  local name=$1 arch=$2 version=$3
  shift 3
  clang-19 --target="$arch-apple-macos$version" -isysroot "$sysroot" -fuse-ld=lld \
    "$@" "$work/main.c" -o "$work/$name"
}
fat() {  # name slices...
  local name=$1
  shift
  llvm-lipo-19 -create -output "$work/$name" "${@/#/$work/}"
}

# case name pass|fail text-in-output file
case_() {
  local out status
  out=$("$package" --verify "$work/$4" 2>&1)
  status=$?
  if { [ "$2" = pass ] && [ $status -eq 0 ]; } ||
     { [ "$2" = fail ] && [ $status -eq 1 ] && grep -qF -- "$3" <<<"$out"; }; then
    result ok "$1"
  else
    result FAIL "$1: status $status"
    printf '%s\n' "$out" | sed 's/^/    /'
  fi
}

slice arm64 arm64 11.0 -Wl,-adhoc_codesign
slice x86_64 x86_64 11.0 -Wl,-adhoc_codesign
slice x86_64-unsigned x86_64 11.0 -Wl,-no_adhoc_codesign
slice x86_64-13 x86_64 13.0 -Wl,-adhoc_codesign
clang-19 --target=x86_64-apple-macos11 -isysroot "$sysroot" -fuse-ld=lld -dynamiclib \
  -install_name /usr/local/lib/libextra.dylib "$work/extra.c" -o "$work/libextra.dylib"
slice x86_64-extra x86_64 11.0 -Wl,-adhoc_codesign "$work/libextra.dylib"

fat good arm64 x86_64
fat unsigned arm64 x86_64-unsigned
fat newer arm64 x86_64-13
fat extra arm64 x86_64-extra
printf 'not a binary\n' >"$work/text"

case_ "both slices signed, macOS 11, system libraries only" pass "" good
case_ "a thin binary" fail "FAIL architectures: arm64 (expected arm64 x86_64)" arm64
case_ "a slice without a signature" fail "FAIL x86_64: code signature" unsigned
case_ "a slice for macOS 13" fail "FAIL x86_64: minimum macOS 13.0 (expected 11.0)" newer
case_ "a library outside the system" fail "outside it: /usr/local/lib/libextra.dylib" extra
case_ "not a Mach-O file" fail "FAIL architectures: none" text
if grep -q '^ok   arm64: code signature' <<<"$("$package" --verify "$work/unsigned")"; then
  result ok "the signed slice still passes beside the unsigned one"
else
  result FAIL "the signed slice beside the unsigned one"
fi

finish
