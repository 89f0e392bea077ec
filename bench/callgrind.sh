#!/usr/bin/env bash
# Instructions per frame of each case, and of its floor, counted by callgrind.
#   bench/callgrind.sh BUILD_DIR [FRAMES]
set -euo pipefail
build=${1:-build}
frames=${2:-2000}
driver=$build/bench/callgrind-frames
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
printf '%-28s %14s %14s %8s\n' case "plug-in Ir" "floor Ir" ratio
for name in plain_roll_100_lines leader_roll_100_lines static_title_and_20_lines typewriter_200_letters; do
  for kind in plugin floor; do
    target=$name
    [ "$kind" = floor ] && target=floor:$name
    valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$out/$kind" "$driver" "$target" "$frames" \
      >/dev/null 2>&1
    total=$(sed -n 's/^totals: //p' "$out/$kind" | awk '{print $1}')
    eval "${kind}_ir=$((total / frames))"
  done
  printf '%-28s %14d %14d %8s\n' "$name" "$plugin_ir" "$floor_ir" "$(awk "BEGIN {printf \"%.2f\", $plugin_ir / $floor_ir}")"
done
