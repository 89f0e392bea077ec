#!/usr/bin/env bash
# Builds the release: dist/agsRollwick2-VERSION-SUM/ (the 32- and 64-bit
# DLLs, the Linux library, INSTALL.md, the browser page, SHA256SUMS) and
# its zip. SUM is the start of the SHA-256 of SHA256SUMS, so the name changes
# whenever any file in it does. Two runs give the same bytes: no build path
# or time stamp goes into the files, and the archive's entries are sorted,
# with one fixed time. The page must be built first (make dist does: make web).
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(agsRollwick2 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
page=build/web/rollwick.html
if [ ! -f "$page" ]; then
  echo "make-dist: $page is not built; 'make dist' builds it (make web)" >&2
  exit 1
fi
jobs=$(nproc 2>/dev/null || echo 2)
mkdir -p build-dist

build() { # FOLDER [CMAKE OPTION...]
  local folder=build-dist/$1
  shift
  echo "building $folder"
  if ! { cmake -S . -B "$folder" -DCMAKE_BUILD_TYPE=Release -DROLLWICK_BUILD_TESTS=OFF -DROLLWICK_BUILD_PREVIEW=OFF \
    "-DCMAKE_CXX_FLAGS=-ffile-prefix-map=$PWD=." -DCMAKE_SHARED_LINKER_FLAGS=-s "$@" && cmake --build "$folder" -j "$jobs" --target agsRollwick2; } \
    >"$folder.log" 2>&1; then
    tail -n 40 "$folder.log"
    exit 1
  fi
}
build linux
build win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
build win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake

out=dist/.staging
rm -rf "$out"
mkdir -p "$out/x64" "$out/linux"
cp build-dist/win32/agsRollwick2.dll "$out/agsRollwick2.dll"
cp build-dist/win64/agsRollwick2.dll "$out/x64/agsRollwick2.dll"
cp build-dist/linux/libagsRollwick2.so "$out/linux/libagsRollwick2.so"
# (stripped as they are linked: a separate strip would stamp the DLLs with the time)
tests/check_exports.sh pe "$out/agsRollwick2.dll" >/dev/null
tests/check_exports.sh pe64 "$out/x64/agsRollwick2.dll" >/dev/null
tests/check_exports.sh elf "$out/linux/libagsRollwick2.so" >/dev/null
cp docs/INSTALL.md "$out/INSTALL.md"
cp "$page" "$out/rollwick.html"
(cd "$out" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort | xargs sha256sum >SHA256SUMS)
name=agsRollwick2-$version-$(sha256sum "$out/SHA256SUMS" | cut -c1-8)
rm -rf "dist/$name" "dist/$name.zip"
mv "$out" "dist/$name"
out=dist/$name
find "$out" -exec touch -h -d '2026-01-01 00:00:00 UTC' {} +
(cd dist && find "$name" -type f | LC_ALL=C sort | TZ=UTC zip -X -D -q "$name.zip" -@)
echo "$out.zip:"
(cd "$out" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | while read -r file; do
  printf '  %-28s %8d bytes  %s\n' "$file" "$(stat -c %s "$file")" "$(sha256sum "$file" | cut -c1-16)"
done)
sha256sum "$out.zip"
tests/check_dist.sh "$out.zip"
