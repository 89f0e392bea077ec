#!/usr/bin/env bash
# Runs a Windows test program under wine, in a prefix of its own: a 32-bit
# program in a 32-bit prefix, a 64-bit one natively under wine64 in a 64-bit
# prefix.
#
# Some kernels cannot start 32-bit Linux programs at all (wine's own loader is
# one). There the loader runs under qemu-i386 user emulation; it can neither
# re-execute itself nor start wineboot, so the prefix gets wine's built-in
# DLLs copied in by hand, and its server is wine64's native one. It is slower
# (about 40 s to start) but runs the same DLL the same way. The emulated
# loader fails to map wine's shared user data in a UTF-8 locale, so it runs in
# the C locale.
#
# A test program ends with a line "N passed, M failed". When it ends without
# one, wine itself failed: the program is run once more with wine's error
# channel on, and that output is shown.
set -uo pipefail
exe=$1
shift
# The PE header's machine: 8664 for x86-64, 14c for i386.
pe_offset=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
machine=$(od -An -tx2 -j$((pe_offset + 4)) -N2 "$exe" | tr -d ' ')
if [ "$machine" = 8664 ]; then
  export WINEPREFIX=${ROLLWICK_WINEPREFIX64:-${TMPDIR:-/tmp}/agsRollwick2-wine64-$(id -u)}
  export WINEARCH=win64
else
  export WINEPREFIX=${ROLLWICK_WINEPREFIX:-${TMPDIR:-/tmp}/agsRollwick2-wine32-$(id -u)}
  export WINEARCH=win32
fi
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY

run_wine() {
  if [ "$machine" = 8664 ]; then
    /usr/lib/wine/wine64 "$exe" "$@"
    return
  fi
  if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    wine "$exe" "$@"
    return
  fi
  local windows_dlls=/usr/lib/i386-linux-gnu/wine/i386-windows
  local system32=$WINEPREFIX/drive_c/windows/system32
  mkdir -p "$system32"
  (
    flock 9
    if [ ! -f "$system32/kernel32.dll" ]; then
      cp "$windows_dlls"/* "$system32/"
    fi
  ) 9>"$WINEPREFIX.lock"
  LC_ALL=C WINELOADERNOEXEC=1 qemu-i386 -L / /usr/lib/wine/wine "$exe" "$@"
}

output=$(mktemp)
trap 'rm -f "$output"' EXIT
WINEDEBUG=-all run_wine "$@" 2>&1 | tee "$output"
status=${PIPESTATUS[0]}
if tr -d '\r' <"$output" | grep -Eq '^[0-9]+ passed, [0-9]+ failed$'; then
  exit "$status"
fi
echo "run-wine: $(basename "$exe") ended (status $status) without a result; once more with wine's errors shown:" >&2
WINEDEBUG=err+all run_wine "$@" 2>&1 | tail -n 60 >&2
exit $((status == 0 ? 1 : status))
