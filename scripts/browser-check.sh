#!/usr/bin/env bash
# Plays videos in a real browser: headless Chromium loads a page with each
# one, and the page reports the video's duration and how much a drawn frame
# shows. A video the browser cannot play fails the check; an MP4 is reported
# either way, since whether a Chromium build decodes H.264 is its builder's
# choice.
#   scripts/browser-check.sh VIDEO...
set -euo pipefail
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
  echo "browser-check: no chromium here; 'make browser-check' installs Debian's" >&2
  exit 2
fi
page_dir=$(mktemp -d)
trap 'rm -rf "$page_dir"' EXIT
videos=""
for video in "$@"; do
  cp "$video" "$page_dir/"
  videos+="\"$(basename "$video")\","
done
cat >"$page_dir/index.html" <<PAGE
<!doctype html>
<html><body><pre id="result"></pre><script>
const report = (line) => { document.getElementById('result').textContent += line + '\n'; };
const check = (name) => new Promise((done) => {
  const video = document.createElement('video');
  video.muted = true;
  video.preload = 'auto';
  video.onerror = () => { report(name + ': cannot play (error ' + (video.error ? video.error.code : '?') + ')'); done(); };
  video.onloadedmetadata = () => { video.currentTime = Math.min(5, video.duration / 2); };
  video.onseeked = () => {
    const canvas = document.createElement('canvas');
    canvas.width = video.videoWidth;
    canvas.height = video.videoHeight;
    const context = canvas.getContext('2d');
    context.drawImage(video, 0, 0);
    const pixels = context.getImageData(0, 0, canvas.width, canvas.height).data;
    let lit = 0;
    for (let i = 0; i < pixels.length; i += 4) if (pixels[i] + pixels[i + 1] + pixels[i + 2] > 96) lit++;
    report(name + ': plays, ' + video.videoWidth + 'x' + video.videoHeight + ', duration ' + video.duration.toFixed(3) +
           ' s, the frame at ' + video.currentTime.toFixed(2) + ' s has ' + lit + ' lit pixels');
    done();
  };
  video.src = name;
  document.body.appendChild(video);
});
(async () => { for (const name of [$videos]) await check(name); report('done'); })();
</script></body></html>
PAGE
profile=$(mktemp -d)
output=$(timeout 60 "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync --user-data-dir="$profile" \
  --allow-file-access-from-files --virtual-time-budget=20000 --dump-dom "file://$page_dir/index.html" 2>/dev/null || true)
rm -rf "$profile"
result=$(printf '%s\n' "$output" | sed -n '/<pre id="result">/,/<\/pre>/p' | sed 's/<[^>]*>//g' | sed '/^$/d')
printf '%s\n' "$result"
status=0
for video in "$@"; do
  name=$(basename "$video")
  if ! printf '%s\n' "$result" | grep -q "^$name: plays"; then
    case $name in
      *.mp4) echo "browser-check: this Chromium does not decode $name (H.264); noted, not a failure" ;;
      *) echo "browser-check: $name does not play"; status=1 ;;
    esac
  fi
done
exit $status
