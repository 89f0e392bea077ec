#!/usr/bin/env bash
# Installs the Debian packages a job needs, only those missing.
#   install-deps.sh native    build and test the Linux library
#   install-deps.sh windows   cross-build the 32-bit DLL and test it under wine
#   install-deps.sh bench     benchmark, instruction counts and the soak
#   install-deps.sh fuzz      the fuzzers (clang with libFuzzer and sanitizers)
# As root it installs them; otherwise it prints the exact command and fails.
set -euo pipefail

native_packages=(cmake make g++ binutils googletest libgtest-dev
  libfreetype-dev libfontconfig-dev fontconfig libpng-dev libgif-dev fonts-terminus-otb)
windows_packages=(g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386)
bench_packages=(libbenchmark-dev valgrind)
fuzz_packages=(clang libclang-rt-14-dev)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing=()
need_i386=0
want() {
  for package in "$@"; do
    installed "$package" || missing+=("$package")
  done
}

for job in "$@"; do
  case $job in
    native) want "${native_packages[@]}" ;;
    bench) want "${bench_packages[@]}" ;;
    fuzz) want "${fuzz_packages[@]}" ;;
    windows)
      want "${windows_packages[@]}"
      dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1
      ;;
    *)
      echo "usage: $0 native|windows|bench|fuzz ..." >&2
      exit 2
      ;;
  esac
done

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else return 1; fi
}

if [ ${#missing[@]} -gt 0 ] || [ $need_i386 -eq 1 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them with:" >&2
    [ $need_i386 -eq 1 ] && echo "  sudo dpkg --add-architecture i386" >&2
    echo "  sudo apt-get update && sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
  [ $need_i386 -eq 1 ] && as_root dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -q
  as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Some kernels cannot start 32-bit programs; wine's loader then runs under
# qemu user emulation (see run-wine.sh).
if [[ " $* " == *" windows "* ]] && ! /lib/ld-linux.so.2 --version >/dev/null 2>&1 && ! installed qemu-user; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "This kernel cannot run 32-bit programs; install qemu-user:" >&2
    echo "  sudo apt-get install -y --no-install-recommends qemu-user" >&2
    exit 1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends qemu-user
fi
exit 0
