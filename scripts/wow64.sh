#!/usr/bin/env bash
# The 32-bit road: i686 Windows programs run as WoW64 processes in a win64
# prefix. This machine's kernel runs no 32-bit code, so 32-bit Wine runs
# under qemu-user, from a Debian chroot of its own kept outside the clone;
# the machine itself gets nothing i386 (with wine32 installed, its plain
# `wine` would start the i386 loader and fail). The binfmt entry that hands
# i386 programs to qemu lives in a private user and mount namespace, so
# nothing outside it sees the entry either.
#
# Usage:
#   wow64.sh setup                  makes (or checks) the chroot
#   wow64.sh exec COMMAND [ARGS]    runs a command inside: the clone and /tmp
#                                   are at their own paths, the environment
#                                   and the current folder are kept
#   wow64.sh run PREFIX PROGRAM [ARGS]   a Windows program in that prefix
#
# The chroot is LUMO_WOW64_CACHE/chroot (default ~/.cache/lumo-wow64).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cache="${LUMO_WOW64_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/lumo-wow64}"
chroot="$cache/chroot"
mirror="${LUMO_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
# qemu-user 10 from backports: bookworm's 7.2 crashes while making a
# prefix. Both preloaders: without them every 32-bit start takes a minute.
packages_i386="wine32:i386 wine32-preloader:i386"
packages="wine wine64 wine64-preloader"
stamp="qemu-user/bookworm-backports $packages $packages_i386"

# The i386 ELF header, as binfmt_misc matches it (Debian's qemu-i386 entry).
binfmt_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
binfmt_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

in_chroot() { # COMMAND...: as root of the chroot, for installing
  unshare --mount --fork bash -c '
    c="$1"; shift
    for d in proc dev sys; do mount --rbind "/$d" "$c/$d"; done
    exec chroot "$c" "$@"' bash "$chroot" "$@"
}

setup() {
  # The machine's own names (localhost among them) hold inside the chroot
  # too: a minimal chroot has no hosts file. Copied at every set-up, so a
  # chroot made before is mended as well.
  if [ -d "$chroot/etc" ]; then cp /etc/hosts "$chroot/etc/hosts"; fi
  if [ -f "$chroot/etc/lumo-wow64" ] && [ "$(cat "$chroot/etc/lumo-wow64")" = "$stamp" ]; then
    echo "wow64: chroot ready ($chroot)"
    return
  fi
  local start=$SECONDS
  if [ ! -x "$chroot/usr/bin/apt-get" ]; then
    command -v debootstrap >/dev/null || { echo "wow64: debootstrap is missing (scripts/setup.sh)"; exit 1; }
    echo "wow64: making the chroot in $chroot"
    rm -rf "$chroot.new"
    mkdir -p "$cache"
    debootstrap --variant=minbase bookworm "$chroot.new" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
      { tail -20 "$cache/debootstrap.log"; exit 1; }
    mv "$chroot.new" "$chroot"
  fi
  echo "deb $mirror bookworm-backports main" >"$chroot/etc/apt/sources.list.d/backports.list"
  cp /etc/resolv.conf "$chroot/etc/resolv.conf"
  cp /etc/hosts "$chroot/etc/hosts"
  echo "wow64: installing $stamp"
  in_chroot bash -c "
    set -e
    export DEBIAN_FRONTEND=noninteractive
    dpkg --add-architecture i386
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user >/dev/null
    apt-get install -y -qq --no-install-recommends $packages $packages_i386 >/dev/null
    apt-get clean" >"$cache/install.log" 2>&1 || { tail -20 "$cache/install.log"; exit 1; }
  echo "$stamp" >"$chroot/etc/lumo-wow64"
  echo "wow64: chroot made in $((SECONDS - start)) s"
}

enter() { # COMMAND...: inside the namespace and the chroot
  [ -f "$chroot/etc/lumo-wow64" ] || { echo "wow64: no chroot yet (scripts/wow64.sh setup)"; exit 1; }
  # Tests read it: under qemu a fault of 32-bit code arrives as an illegal
  # instruction, not as the exception Windows raises.
  export LUMO_WOW64_QEMU=1
  unshare --user --map-root-user --mount --fork bash -c '
    set -e
    c="$1" root="$2" cwd="$3" magic="$4" mask="$5"; shift 5
    for d in proc dev sys tmp; do mount --rbind "/$d" "$c/$d"; done
    mkdir -p "$c$root"
    mount --bind "$root" "$c$root"
    exec chroot "$c" bash -c "
      mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
      echo \":lumo-i386:M::$magic:$mask:/usr/bin/qemu-i386:POF\" >/proc/sys/fs/binfmt_misc/register
      cd \"\$0\" 2>/dev/null || cd /
      exec \"\$@\"" "$cwd" "$@"' \
    bash "$chroot" "$root" "$PWD" "$binfmt_magic" "$binfmt_mask" "$@"
}

case "${1:-}" in
  setup) setup ;;
  exec) shift; enter "$@" ;;
  run) shift; enter "$root/scripts/wine-run.sh" "$@" ;;
  *) sed -n '10,17p' "$0"; exit 2 ;;
esac
