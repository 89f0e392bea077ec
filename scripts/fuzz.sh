#!/usr/bin/env bash
# Runs each fuzz target for a while on a copy of its committed seed corpus
# (fuzz/corpus/TARGET/ and fuzz/corpus/TARGET.tar.gz).
#   scripts/fuzz.sh BUILD_DIR SECONDS
# A crash, a sanitizer report or a hang leaves its input in BUILD_DIR/findings
# and makes this fail.
set -euo pipefail
build=$1
seconds=$2
status=0
mkdir -p "$build/findings"
for target in plugin script; do
  corpus=$build/corpus/$target
  mkdir -p "$corpus"
  # Seeds are committed as files, or as a tarball where there are many.
  if [ -d "fuzz/corpus/$target" ]; then cp -n "fuzz/corpus/$target"/* "$corpus/" || true; fi
  if [ -f "fuzz/corpus/$target.tar.gz" ]; then tar -xzf "fuzz/corpus/$target.tar.gz" -C "$corpus"; fi
  echo "== ${target}_fuzzer for $seconds s"
  # Game scripts are longer than the plug-in's call sequences.
  max_len=512
  [ "$target" = script ] && max_len=2048
  if ! "$build/fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
    -print_final_stats=1 -artifact_prefix="$build/findings/${target}-" "$corpus" 2>"$build/${target}_fuzzer.log"; then
    echo "FAILED: ${target}_fuzzer found an input that breaks it (see $build/findings and $build/${target}_fuzzer.log)"
    tail -n 40 "$build/${target}_fuzzer.log"
    status=1
  fi
  grep -E '^stat::number_of_executed_units|^Done' "$build/${target}_fuzzer.log" || true
done
exit $status
