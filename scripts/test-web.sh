#!/usr/bin/env bash
# The page's test in Debian's headless Chromium: puppeteer-core (from the npm
# registry, pinned by tests/web/package-lock.json; it never downloads a
# browser) drives /usr/bin/chromium.
#   scripts/test-web.sh PAGE_DIR BUILD_DIR
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
page_dir=$1
build_dir=$2
modules=$top/build-web-deps/test
if ! cmp -s "$top/tests/web/package-lock.json" "$modules/package-lock.json" 2>/dev/null || [ ! -d "$modules/node_modules" ]; then
  mkdir -p "$modules"
  cp "$top/tests/web/package.json" "$top/tests/web/package-lock.json" "$modules/"
  (cd "$modules" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
fi
NODE_PATH=$modules/node_modules node "$top/tests/web/page_test.js" "$page_dir" "$build_dir"
