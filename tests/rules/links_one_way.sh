#!/usr/bin/env bash
# The simulated desktop's layers hold at link time too: no object file of a
# layer refers to a symbol that an object file of a layer above it defines
# (a call through sim.h, say, which the include rule cannot see). The layers
# are read from the dependency rule.
#
# Usage: links_one_way.sh <nm> <dependency_rule.cmake> <object file>...
set -euo pipefail
nm_tool=$1 rule=$2
shift 2
parent=platform/sim
layers=$(sed -n "s|^set(layers_${parent} \"\\(.*\\)\")|\\1|p" "$rule" | tr ';' ' ')
[ -n "$layers" ] || { echo "no layers of $parent in $rule" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
counted=0
for object in "$@"; do
  rank=0 found=
  for layer in $layers; do
    case "$object" in */$parent/$layer/*) found=$rank ;; esac
    rank=$((rank + 1))
  done
  [ -n "$found" ] || continue
  counted=$((counted + 1))
  # Strong definitions only: inline functions and templates (weak) are
  # defined wherever a header is used.
  "$nm_tool" -P "$object" | awk -v r="$found" -v o="$object" -v d="$work/defined" -v u="$work/used" '
    $2 ~ /^[TDBR]$/ {print $1, r, o >> d}
    $2 == "U" {print $1, r, o >> u}'
  touch "$work/defined" "$work/used"
done
[ "$counted" -gt 0 ] || { echo "no object files of $parent given" >&2; exit 1; }
sort -k1,1 "$work/defined" >"$work/defined.sorted"
sort -k1,1 "$work/used" >"$work/used.sorted"
# symbol, rank of the user, user, rank of the definer, definer: a user below
# the definer (a greater rank) breaks the rule.
join "$work/used.sorted" "$work/defined.sorted" |
  awk '$2 > $4 {print $1, $3, $5}' >"$work/broken"
if [ -s "$work/broken" ]; then
  while read -r symbol user definer; do
    echo "${user##*/"$parent"/} uses $(echo "$symbol" | c++filt), defined by ${definer##*/"$parent"/}, a layer above it" >&2
  done <"$work/broken"
  exit 1
fi
echo "links of $parent keep to the layers ($layers): $counted object files"
