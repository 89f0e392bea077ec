#!/usr/bin/env bash
# Runs each fuzz target for a while on a copy of its seed corpus: the
# committed seeds (fuzz/corpus/TARGET/ and fuzz/corpus/TARGET.tar.gz) and,
# for the file readers, the game files of tests/engine-reference and the
# examples, laid out as each target reads its input. The committed Game.agf
# and TrueType seeds are the engine cases' own, cut to the elements and
# letters the previewer reads, and the room seeds the cases' rooms cut to a
# 48x32 corner of their backgrounds, so that an input stays small and fast.
#   scripts/fuzz.sh BUILD_DIR SECONDS [TARGET ...]
# With FUZZ_RUNS=N in the environment each target stops after N inputs
# instead (SECONDS then bounds it still).
# A crash, a sanitizer report, a hang or an input that takes more than 2 GB
# leaves its input in BUILD_DIR/findings and makes this fail.
set -euo pipefail
build=$1
seconds=$2
shift 2
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(plugin script sheet sprite game_project room wfn truetype png sound)
status=0
mkdir -p "$build/findings"

# A seed that starts with two bytes of little-endian number, then files.
prefixed() { # OUT NUMBER FILE...
  local out=$1 number=$2
  shift 2
  printf "\\x$(printf %02x $((number & 255)))\\x$(printf %02x $((number >> 8 & 255)))" >"$out"
  cat "$@" >>"$out"
}

seed_files() { # TARGET CORPUS
  local target=$1 corpus=$2 game n=0
  for game in tests/engine-reference/*/game; do
    n=$((n + 1))
    case $target in
      sprite)
        prefixed "$corpus/game-$n" "$(stat -c %s "$game/sprindex.dat")" "$game/sprindex.dat" "$game/acsprset.spr"
        prefixed "$corpus/game-$n-no-index" 0 "$game/acsprset.spr" ;;
      wfn) for font in "$game"/agsfnt*.wfn; do prefixed "$corpus/game-$n-$(basename "$font")" $((n * 37)) "$font"; done ;;
    esac
  done
  case $target in
    png) cp examples/sprites/*.png "$corpus/" ;;
    sound) cp examples/sounds/*.wav "$corpus/" ;;
  esac
  return 0
}

for target in "${targets[@]}"; do
  corpus=$build/corpus/$target
  mkdir -p "$corpus"
  if [ -d "fuzz/corpus/$target" ]; then cp -n "fuzz/corpus/$target"/* "$corpus/" || true; fi
  if [ -f "fuzz/corpus/$target.tar.gz" ]; then tar -xzf "fuzz/corpus/$target.tar.gz" -C "$corpus"; fi
  seed_files "$target" "$corpus"
  timeout=10
  case $target in
    plugin) max_len=512 ;;
    # Game scripts are longer than the plug-in's call sequences; the longest
    # input runs to the engine's loop bound or the interpreter's own bound on statements: seconds
    # under the sanitizers, several times that on a loaded machine.
    script) max_len=2048 timeout=60 ;;
    sheet) max_len=8192 ;;
    *) max_len=65536 ;;  # the readers' seeds: Game.agf and fonts cut to what is read
  esac
  echo "== ${target}_fuzzer for $seconds s"
  if ! "$build/fuzz/${target}_fuzzer" -max_total_time="$seconds" ${FUZZ_RUNS:+-runs=$FUZZ_RUNS} -timeout="$timeout" -rss_limit_mb=2048 -max_len="$max_len" \
    -print_final_stats=1 -artifact_prefix="$build/findings/${target}-" "$corpus" 2>"$build/${target}_fuzzer.log"; then
    echo "FAILED: ${target}_fuzzer found an input that breaks it (see $build/findings and $build/${target}_fuzzer.log)"
    tail -n 40 "$build/${target}_fuzzer.log"
    status=1
  fi
  grep -E '^stat::number_of_executed_units|^stat::new_units_added|^Done|cov:' "$build/${target}_fuzzer.log" | tail -n 3 || true
done
exit $status
