#!/usr/bin/env bash
# Runs a 32-bit Windows test program under wine, in a 32-bit prefix of its own.
#
# Some kernels cannot start 32-bit Linux programs at all (wine's own loader is
# one). There the loader runs under qemu-i386 user emulation; it can neither
# re-execute itself nor start wineboot, so the prefix gets wine's built-in
# DLLs copied in by hand. It is slower (about 40 s to start) but runs the
# same DLL the same way.
set -euo pipefail
exe=$1
shift
export WINEPREFIX=${ROLLWICK_WINEPREFIX:-${TMPDIR:-/tmp}/agsRollwick2-wine32-$(id -u)}
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY

if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  exec wine "$exe" "$@"
fi

windows_dlls=/usr/lib/i386-linux-gnu/wine/i386-windows
system32=$WINEPREFIX/drive_c/windows/system32
mkdir -p "$system32"
(
  flock 9
  if [ ! -f "$system32/kernel32.dll" ]; then
    cp "$windows_dlls"/* "$system32/"
  fi
) 9>"$WINEPREFIX.lock"
WINELOADERNOEXEC=1 exec qemu-i386 -L / /usr/lib/wine/wine "$exe" "$@"
