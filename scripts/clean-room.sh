#!/usr/bin/env bash
# Proves the README's front door on a bare Debian 12: builds a minimal root
# with debootstrap from the mirror this machine's apt sources name, copies a
# clean clone of HEAD into it and runs exactly what a new user runs there,
# `make demo` and then `make test`, in a shell as a user has it, and then the
# release's `make dist`.
#
# The bare root is cached (build-clean-room/, or $CLEAN_ROOM_CACHE) so the
# next run starts from it; every run unpacks it afresh. Downloaded packages
# are kept beside it so later runs fetch less; they change nothing that is
# installed. The host's own packages are never touched.
#
# Exit status: 0 both commands passed, 1 a step failed, 2 not root or a tool
# missing.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
cache=${CLEAN_ROOM_CACHE:-$repo/build-clean-room}
suite=bookworm

if [ "$(id -u)" -ne 0 ]; then
  echo "clean-room: needs root (it builds a Debian root and mounts into it); run it with sudo" >&2
  exit 2
fi
for tool in debootstrap git mount umount chroot tar; do
  if ! command -v "$tool" >/dev/null; then
    echo "clean-room: $tool is missing; 'make clean-room' installs it (scripts/install-deps.sh clean-room)" >&2
    exit 2
  fi
done

started=$SECONDS
step_started=$SECONDS
step() {
  step_started=$SECONDS
  printf '[clean room %4ds] %s\n' $((SECONDS - started)) "$*"
}
step_time() { echo $((SECONDS - step_started)); }

# The Debian mirror (and security mirror) of this machine's own apt sources,
# from one-line sources.list entries or deb822 .sources files.
apt_uris() {
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk '
      function flush(   n, m, i, j, u, v) {
        if (uris != "" && enabled && types ~ /(^|[[:space:]])deb([[:space:]]|$)/) {
          n = split(uris, u, /[[:space:]]+/); m = split(suites, v, /[[:space:]]+/)
          for (i = 1; i <= n; i++) for (j = 1; j <= m; j++) print u[i], v[j]
        }
        uris = ""; suites = ""; types = ""; enabled = 1
      }
      BEGIN { enabled = 1 }
      /^[[:space:]]*#/ { next }
      /^[[:space:]]*deb[[:space:]]/ {
        uri = ""; s = ""
        for (i = 2; i <= NF; i++) {
          if ($i ~ /^\[/) { while ($i !~ /\]$/ && i < NF) i++; continue }
          if (uri == "") uri = $i; else if (s == "") s = $i
        }
        print uri, s
        next
      }
      /^Types:/ { types = $0; sub(/^Types:[[:space:]]*/, "", types) }
      /^URIs:/ { uris = $0; sub(/^URIs:[[:space:]]*/, "", uris) }
      /^Suites:/ { suites = $0; sub(/^Suites:[[:space:]]*/, "", suites) }
      /^Enabled:[[:space:]]*no/ { enabled = 0 }
      /^[[:space:]]*$/ { flush() }
      END { flush() }' "$f"
  done
}
mirror=$(apt_uris | awk -v s=$suite '$2 == s { print $1; exit }')
security=$(apt_uris | awk -v s=$suite-security '$2 == s { print $1; exit }')
if [ -z "$mirror" ]; then
  echo "clean-room: no '$suite' entry in this machine's apt sources to take the Debian mirror from" >&2
  exit 2
fi

mkdir -p "$cache/apt-archives"
bare=$cache/$suite-minbase.tar
room=$cache/root
log=$cache/last-run.log
: >"$log"

mounted=()
unmount_all() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount -l "${mounted[$i]}" 2>/dev/null || true
  done
  mounted=()
}
on_exit() {
  local status=$?
  unmount_all
  exit $status
}
trap on_exit EXIT
trap 'echo "clean-room: interrupted" >&2; exit 130' INT TERM

mount_in_room() { # mount ARGS... TARGET
  local target=${*: -1}
  mkdir -p "$target"
  mount "$@"
  mounted+=("$target")
}

# Refuses to go on while anything is still mounted below the room (a run that
# was killed too hard to clean up), rather than deleting through a mount.
room_is_free() {
  ! awk -v r="$room" '$2 == r || index($2, r "/") == 1 { found = 1 } END { exit !found }' /proc/mounts
}

fail() { # STEP SECONDS
  echo "clean room: $1 FAILED after $2 s; the last lines of its output:"
  tail -n 40 "$log" | sed 's/^/  | /'
  echo "(whole output: $log)"
  exit 1
}

if [ ! -f "$bare" ]; then
  step "building a bare Debian $suite root (debootstrap --variant=minbase, mirror from this machine's apt sources)"
  tmp_root=$cache/debootstrap.tmp
  rm -rf "$tmp_root"
  if ! debootstrap --variant=minbase --include=make "$suite" "$tmp_root" "$mirror" >>"$log" 2>&1; then
    fail "debootstrap" "$(step_time)"
  fi
  {
    echo "deb $mirror $suite main"
    echo "deb $mirror $suite-updates main"
    [ -n "$security" ] && echo "deb $security $suite-security main"
  } >"$tmp_root/etc/apt/sources.list"
  rm -rf "$tmp_root"/var/cache/apt/archives/*.deb "$tmp_root"/var/lib/apt/lists/*
  tar -C "$tmp_root" -cf "$bare.tmp" . && mv "$bare.tmp" "$bare"
  rm -rf "$tmp_root"
  echo "    cached bare root: $bare ($(du -h "$bare" | cut -f1)), in $(step_time) s"
else
  echo "using the cached bare root $bare ($(du -h "$bare" | cut -f1))"
fi

step "unpacking the bare root and a clean clone of HEAD"
if ! room_is_free; then
  echo "clean-room: something is still mounted below $room; unmount it first" >&2
  exit 1
fi
rm -rf "$room"
mkdir -p "$room"
tar -C "$room" -xf "$bare"
git clone -q --no-hardlinks "$repo" "$room/home/user/agsRollwick2"
cp /etc/resolv.conf "$room/etc/resolv.conf"

mount_in_room -t proc proc "$room/proc"
mount_in_room -t sysfs sysfs "$room/sys"
mount_in_room --rbind /dev "$room/dev"
mount --make-rslave "$room/dev"
mount_in_room -t tmpfs tmpfs "$room/tmp"
mount_in_room --bind "$cache/apt-archives" "$room/var/cache/apt/archives"

# Where this machine's network answers TLS with certificates of its own (the
# host trusts them through NODE_EXTRA_CA_CERTS), the room trusts the same ones,
# so that npm reaches the registry from inside as it does outside.
extra_ca=()
if [ -n "${NODE_EXTRA_CA_CERTS:-}" ] && [ -f "$NODE_EXTRA_CA_CERTS" ]; then
  cp "$NODE_EXTRA_CA_CERTS" "$room/etc/host-extra-ca.crt"
  extra_ca=(NODE_EXTRA_CA_CERTS=/etc/host-extra-ca.crt)
fi

# A login shell as a user has it: the usual locale of Debian images, a
# terminal name, root's home, nothing of this shell's environment.
in_room() {
  chroot "$room" /usr/bin/env -i HOME=/root TERM=xterm LANG=C.UTF-8 "${extra_ca[@]}" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/bash -lc "cd /home/user/agsRollwick2 && $1"
}

# The commands, in order: the README's two, then the release's
# (CLEAN_ROOM_STEPS="dist" runs only that one, in a root that has nothing else yet).
summary=()
for target in ${CLEAN_ROOM_STEPS:-demo test dist}; do
  step "make $target"
  target_log=$cache/make-$target.log
  if ! in_room "make $target" >"$target_log" 2>&1; then
    cat "$target_log" >>"$log"
    fail "make $target" "$(step_time)"
  fi
  cat "$target_log" >>"$log"
  seconds=$(step_time)
  detail=""
  if [ "$target" = test ]; then
    detail="; $(awk '/tests passed, 0 tests failed out of/ { n += $NF } END { print n + 0 }' "$target_log") tests"
  elif [ "$target" = dist ]; then
    zip=$(cd "$room/home/user/agsRollwick2" && ls dist/*.zip)
    detail="; $zip $(sha256sum "$room/home/user/agsRollwick2/$zip" | cut -d' ' -f1)"
  fi
  echo "    make $target OK in $seconds s"
  summary+=("make $target OK (${seconds}s$detail)")
done

unmount_all
(IFS=','; echo "clean room: ${summary[*]}" | sed 's/,/, /g')
