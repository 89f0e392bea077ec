#!/usr/bin/env bash
# A short credits video in each web format, played by headless Chromium.
# Skipped (exit 77) where no Chromium is installed: 'make browser-check'
# installs it and checks the demo's videos.
#   tests/browser_check_test.sh PREVIEW SOURCE_DIR
set -euo pipefail
preview=$1
source_dir=$2
command -v chromium >/dev/null || { echo "no chromium: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/credits.credits" <<'SCRIPT'
SetCredit(1, 1, "Director<>Ada Moreno", 10, 0, 15);
SetCredit(1, 2, "THE END", -1, 0, 65535);
SequenceSettings(1, 0, 0, 0, 1, 20);
RunCreditSequence(1);
while (IsSequenceFinished(1) == 0) Wait(1);
SCRIPT
for format in webm mp4; do
  "$preview" "$work/credits.credits" -o "$work/credits.$format" -q >/dev/null
done
"$source_dir/scripts/browser-check.sh" "$work/credits.webm" "$work/credits.mp4"
