#!/usr/bin/env bash
# Builds the libraries the browser page links (zlib, libpng, FreeType, giflib,
# pugixml) for WebAssembly from Debian's own source packages, once: they land
# in build-web-deps/prefix and a later run finds them there.
#   scripts/build-web-deps.sh [DIR]      (default: build-web-deps)
# The sources come through a private apt configuration in DIR/apt whose
# source list names the mirror of this machine's own apt sources; the
# machine's apt configuration is only read, never changed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$(mkdir -p "${1:-$top/build-web-deps}" && cd "${1:-$top/build-web-deps}" && pwd)
prefix=$dir/prefix
stamp=$prefix/.built-v2
[ -f "$stamp" ] && exit 0
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
packages=(zlib libpng1.6 freetype giflib pugixml)

# The Debian archive this machine installs from, and its release.
mirror_and_suite() {
  local files=() file
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] && files+=("$file")
  done
  awk '
    /^[[:space:]]*#/ { next }
    /^deb[[:space:]]/ {
      i = 2; if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
      if ($(i + 1) !~ /-(security|updates|backports)$/) { print $i, $(i + 1); exit }
    }
    /^URIs:/ { uri = $2 }
    /^Suites:/ { for (k = 2; k <= NF; k++) if ($k !~ /-(security|updates|backports)$/) { print uri, $k; exit } }
  ' "${files[@]}"
}
read -r mirror suite < <(mirror_and_suite) || true
if [ -z "${mirror:-}" ] || [ -z "${suite:-}" ]; then
  echo "build-web-deps: no Debian archive found in this machine's apt sources" >&2
  exit 1
fi

apt_dir=$dir/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/parts" "$apt_dir/preferences.d"
echo "deb-src $mirror $suite main" >"$apt_dir/sources.list"
apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/parts"
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o "Dir::Etc::PreferencesParts=$apt_dir/preferences.d"
  -o "APT::Sandbox::User=root")
src=$dir/src
mkdir -p "$src"
if ! ls "$apt_dir/lists/"*Sources* >/dev/null 2>&1; then
  echo "build-web-deps: reading the source lists of $mirror $suite"
  apt-get "${apt_options[@]}" update -qq
fi
for package in "${packages[@]}"; do
  if ! ls -d "$src/$package"-*/ >/dev/null 2>&1; then
    echo "build-web-deps: fetching the source of $package"
    (cd "$src" && apt-get "${apt_options[@]}" source -qq "$package" >/dev/null)
  fi
done
source_of() { ls -d "$src/$1"-*/ | head -n 1; }

mkdir -p "$prefix/include" "$prefix/lib"
cmake_build() { # NAME SOURCE OPTIONS...
  local name=$1 source=$2
  shift 2
  echo "build-web-deps: building $name"
  emcmake cmake -S "$source" -B "$dir/build/$name" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" "$@" >"$dir/build-$name.log" 2>&1
  cmake --build "$dir/build/$name" -j "$(nproc)" >>"$dir/build-$name.log" 2>&1
  cmake --install "$dir/build/$name" >>"$dir/build-$name.log" 2>&1
}

# zlib and giflib build with plain Makefiles: their libraries' few files, compiled here.
c_library() { # NAME SOURCE LIBRARY FILE...
  local name=$1 source=$2 library=$3 file objects=()
  shift 3
  echo "build-web-deps: building $name"
  mkdir -p "$dir/build/$name"
  for file in "$@"; do
    emcc -O2 -DHAVE_UNISTD_H -DHAVE_STDARG_H -I"$source" -c "$source/$file.c" -o "$dir/build/$name/$file.o"
    objects+=("$dir/build/$name/$file.o")
  done
  emar rcs "$prefix/lib/$library" "${objects[@]}"
}
zlib=$(source_of zlib)
[ -f "$zlib/zconf.h" ] || cp "$zlib/zconf.h.in" "$zlib/zconf.h"
c_library zlib "$zlib" libz.a adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate \
  inftrees trees uncompr zutil
cp "$zlib/zlib.h" "$zlib/zconf.h" "$prefix/include/"
cmake_build libpng "$(source_of libpng1.6)" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include" -DPNG_HARDWARE_OPTIMIZATIONS=OFF
cmake_build freetype "$(source_of freetype)" -DBUILD_SHARED_LIBS=OFF -DFT_REQUIRE_ZLIB=ON -DFT_DISABLE_BZIP2=ON \
  -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include" \
  -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
cmake_build pugixml "$(source_of pugixml)" -DBUILD_SHARED_LIBS=OFF -DPUGIXML_BUILD_TESTS=OFF

gif=$(source_of giflib)
c_library giflib "$gif" libgif.a dgif_lib egif_lib gifalloc gif_err gif_font gif_hash openbsd-reallocarray quantize
cp "$gif/gif_lib.h" "$prefix/include/"

touch "$stamp"
echo "build-web-deps: done, in $prefix"
