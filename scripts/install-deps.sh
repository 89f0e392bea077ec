#!/usr/bin/env bash
# Installs the Debian packages a job needs, only those missing.
#   install-deps.sh preview     build the Linux library and the previewer
#   install-deps.sh native      the same, and its tests
#   install-deps.sh windows-build  cross-build the 32-bit DLL
#   install-deps.sh windows     cross-build the 32-bit DLL and test it under wine
#   install-deps.sh windows64   cross-build the 64-bit DLL and test it under wine64 (natively)
#   install-deps.sh dist        build the release: both DLLs, the Linux library, zip
#   install-deps.sh bench       benchmark, instruction counts and the soak
#   install-deps.sh fuzz        the fuzzers (clang with libFuzzer and sanitizers)
#   install-deps.sh clean-room  debootstrap, for scripts/clean-room.sh
#   install-deps.sh browser     Chromium, for scripts/browser-check.sh
#   install-deps.sh web         emscripten and what builds the page's libraries from
#                               Debian's sources (scripts/build-web-deps.sh builds them)
#   install-deps.sh web-test    Chromium and Node.js, for the page's test in the browser
# As root it installs them; otherwise it prints the exact command and fails.
# While another program holds the package manager's lock, it waits for it
# (up to five minutes) rather than failing at once.
set -euo pipefail

preview_packages=(cmake make g++ binutils
  libfreetype-dev libfontconfig-dev fontconfig libpng-dev libgif-dev libpugixml-dev zlib1g-dev fonts-terminus-otb
  pkg-config libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev)
test_packages=(googletest libgtest-dev)
windows_build_packages=(cmake make g++-mingw-w64-i686 binutils-mingw-w64-i686)
# libgstreamer-plugins-base is wine32's own dependency, named so that apt's
# resolver finds the way to it when it has to work with fewer package lists.
windows_packages=("${windows_build_packages[@]}" wine wine32:i386 libgstreamer-plugins-base1.0-0:i386)
windows64_packages=(cmake make g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine64)
dist_packages=(cmake make g++ binutils "${windows_build_packages[@]}" g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 zip unzip)
# Where the kernel cannot start 32-bit programs, wine's 32-bit loader runs
# under qemu-i386 and the wine server, which must run natively, is wine64's.
emulated_windows_packages=(qemu-user wine64)
bench_packages=(libbenchmark-dev valgrind)
fuzz_packages=(clang libclang-rt-14-dev)
clean_room_packages=(debootstrap git)
browser_packages=(chromium)
web_packages=(cmake make emscripten nodejs dpkg-dev xz-utils fonts-terminus-otb)
web_test_packages=(chromium nodejs)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing=()
need_i386=0
want() {
  local package
  for package in "$@"; do
    installed "$package" || missing+=("$package")
  done
}

for job in "$@"; do
  case $job in
    preview) want "${preview_packages[@]}" ;;
    native) want "${preview_packages[@]}" "${test_packages[@]}" ;;
    bench) want "${bench_packages[@]}" ;;
    fuzz) want "${fuzz_packages[@]}" ;;
    clean-room) want "${clean_room_packages[@]}" ;;
    browser) want "${browser_packages[@]}" ;;
    web) want "${web_packages[@]}" ;;
    web-test)
      want "${web_test_packages[@]}"
      # Debian's npm, unless npm came with another Node.js package (whose nodejs conflicts with it)
      command -v npm >/dev/null || want npm
      ;;
    windows-build) want "${windows_build_packages[@]}" ;;
    windows64) want "${windows64_packages[@]}" ;;
    dist) want "${dist_packages[@]}" ;;
    windows)
      want "${windows_packages[@]}"
      dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1
      ;;
    *)
      echo "usage: $0 preview|native|windows-build|windows|windows64|dist|bench|fuzz|clean-room|browser|web|web-test ..." >&2
      exit 2
      ;;
  esac
done

# apt-get, waiting while another program holds the package manager's lock.
apt_get() {
  local waited=0 output status
  while :; do
    set +e
    output=$(apt-get -o DPkg::Lock::Timeout=300 "$@" 2>&1)
    status=$?
    set -e
    printf '%s\n' "$output"
    [ $status -eq 0 ] && return 0
    if grep -qE 'Could not get lock|Unable to acquire the dpkg frontend lock|Unable to lock directory' <<<"$output" &&
      [ $waited -lt 300 ]; then
      [ $waited -eq 0 ] && echo "Another program holds the package manager's lock: waiting for it (up to 5 minutes)" >&2
      sleep 10
      waited=$((waited + 10))
      continue
    fi
    # A mirror caught in the middle of a sync serves an index that does not
    # match its release file: try again a little later, then go on with the
    # lists that did arrive (the install says if a package is not found).
    if [ "$1" = update ]; then
      update_tries=$((${update_tries:-0} + 1))
      if [ $update_tries -lt 4 ]; then
        echo "apt-get update failed (try $update_tries of 4); trying again in 20 s" >&2
        sleep 20
        continue
      fi
      echo "apt-get update still fails; going on with the package lists it has" >&2
      return 0
    fi
    return $status
  done
}

install_missing() {
  [ ${#missing[@]} -gt 0 ] || [ $need_i386 -eq 1 ] || return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them with:" >&2
    [ $need_i386 -eq 1 ] && echo "  sudo dpkg --add-architecture i386" >&2
    echo "  sudo apt-get update && sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
  [ $need_i386 -eq 1 ] && dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  apt_get update -q
  if ! apt_get install -y -q --no-install-recommends "${missing[@]}"; then
    # With an index of the security archive missing (a mirror in the middle
    # of a sync), 32-bit libraries may have no version that matches the
    # 64-bit ones: take the release's own versions, which always pair up.
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
    echo "Installing again from $codename's own versions" >&2
    apt_get install -y -q --no-install-recommends -t "$codename" "${missing[@]}"
  fi
  missing=()
  need_i386=0
}
install_missing

# Whether this kernel starts 32-bit programs is only known once the 32-bit C
# library (which wine32 brings) is there to try.
if [[ " $* " == *" windows "* ]] && ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  want "${emulated_windows_packages[@]}"
  if [ ${#missing[@]} -gt 0 ]; then
    echo "This kernel cannot start 32-bit programs: installing ${missing[*]} so that wine's 32-bit loader runs under qemu-i386 and its server natively."
  fi
  install_missing
fi
exit 0
