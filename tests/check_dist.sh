#!/usr/bin/env bash
# Checks a release zip as an author receives it: every file is there, the
# sums match, and the page opens (in headless Chromium, where it is installed,
# until its WebAssembly has started).
#   tests/check_dist.sh dist/agsRollwick2-VERSION-SUM.zip
set -euo pipefail
zip=$(realpath "$1")
where=$(mktemp -d)
trap 'rm -rf "$where"' EXIT
cd "$where"
unzip -q "$zip"
cd "$(basename "$zip" .zip)"
for file in agsRollwick2.dll x64/agsRollwick2.dll linux/libagsRollwick2.so INSTALL.md rollwick.html SHA256SUMS; do
  [ -s "$file" ] || { echo "check-dist: $file is missing from $zip" >&2; exit 1; }
done
sha256sum --quiet -c SHA256SUMS
if [ -x /usr/bin/chromium ]; then
  dom=$(/usr/bin/chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync --user-data-dir="$where/profile" \
    --virtual-time-budget=20000 --dump-dom "file://$PWD/rollwick.html" 2>/dev/null)
  case $dom in
    *'data-ready="true"'*) echo "check-dist: rollwick.html opens and starts" ;;
    *) echo "check-dist: rollwick.html did not start in Chromium" >&2; exit 1 ;;
  esac
else
  echo "check-dist: the files are there (no Chromium here to open the page)"
fi
