#!/usr/bin/env bash
# Makes a fresh minimal root of another Debian release from Debian's archive (debootstrap), copies
# this working tree into it (tracked and untracked files, not the build folders) and runs a
# command there, by default ./test.sh, as root with that root as its / (in a mount namespace of its
# own) and /proc, /sys, /dev and /run of its own. The root is made anew on every run unless
# --reuse is given and one is there already; it is left in place afterwards for a look inside
# (rerun with --reuse to go on in it).
#
# Usage: tools/debian-root.sh [--reuse] RELEASE [COMMAND ...]
#   RELEASE   trixie (Debian 13), forky or testing (Debian testing), bookworm (Debian 12)
#   COMMAND   run in the copy of the tree inside the root; ./test.sh when none is given
# Environment: VOLTARIK_ROOTS (where roots are made, /var/tmp/voltarik-roots by default),
#   DEBIAN_MIRROR (http://deb.debian.org/debian by default).
set -euo pipefail
cd "$(dirname "$0")/.."

reuse=false
if [ "${1:-}" = --reuse ]; then
  reuse=true
  shift
fi
release=${1:?usage: tools/debian-root.sh [--reuse] RELEASE [COMMAND ...]}
shift
[ $# -gt 0 ] || set -- ./test.sh
case "$release" in
  bookworm | trixie) suite=$release ;;
  # debootstrap names Debian testing by its suite; the root then calls itself by the codename.
  forky | testing) suite=testing ;;
  *)
    echo "debian-root: unknown release '$release' (bookworm, trixie, forky or testing)" >&2
    exit 2
    ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "debian-root: needs root (debootstrap, mount, pivot_root)" >&2; exit 2; }
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
roots=${VOLTARIK_ROOTS:-/var/tmp/voltarik-roots}
root=$roots/$release

for tool in debootstrap rsync; do
  command -v $tool >/dev/null || {
    export DEBIAN_FRONTEND=noninteractive
    apt-get install -y -q --no-install-recommends $tool ||
      { apt-get update -q && apt-get install -y -q --no-install-recommends $tool; }
  }
done

# The root itself is a mount point, as / is on a machine (ip netns exec remounts it), then the
# system's own file systems inside it.
mounts=(. proc sys dev dev/pts dev/shm run tmp)
unmount_all() {
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    if mountpoint -q "$root/${mounts[i]}"; then umount -l "$root/${mounts[i]}"; fi
  done
  return 0
}
trap unmount_all EXIT

if ! $reuse || [ ! -x "$root/usr/bin/apt-get" ]; then
  unmount_all
  rm -rf --one-file-system "$root"
  mkdir -p "$roots"
  echo "debian-root: making a $release root in $root from $mirror"
  debootstrap --variant=minbase "$suite" "$root" "$mirror" >"$roots/$release.debootstrap.log" 2>&1 ||
    { tail -n 20 "$roots/$release.debootstrap.log"; exit 1; }
  # Testing's Release file may be served past its Valid-Until date by the archive's mirrors;
  # a stable release's is checked as usual.
  if [ "$suite" = testing ]; then
    echo 'Acquire::Check-Valid-Until "false";' >"$root/etc/apt/apt.conf.d/99voltarik-testing"
  fi
  cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
fi

# The tree as it is now, uncommitted changes included, with its history (the release package is
# dated by the last commit and the reproducibility check clones it). The build folders of a root
# that is reused stay, so its builds go on from where they were: only the files that differ are
# written, and with the time of the copy, so that they are rebuilt.
tree=$root/root/voltarik
stage=$(mktemp -d)
git ls-files -z --cached --others --exclude-standard | tar -c --null -T - .git | tar -x -C "$stage"
mkdir -p "$tree"
rsync -rl --checksum --delete --exclude='/build*/' "$stage/" "$tree/"
rm -rf "$stage"

mount --bind "$root" "$root"
mount --make-private "$root"
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
mount -t tmpfs -o mode=0755 tmpfs "$root/run"
mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
# What systemd makes in a new /tmp at boot; Xwayland (under mutter) needs its folder there.
mkdir -m 1777 "$root/tmp/.X11-unix" "$root/tmp/.ICE-unix"

echo "debian-root: running '$*' in $release ($(. "$root/etc/os-release" && echo "$PRETTY_NAME"))"
# The root becomes the root of a mount namespace of its own (pivot_root), not a chroot: inside a
# chroot the kernel refuses user namespaces, which the news helper's sandbox uses where Landlock
# is missing.
unshare --mount --propagation private -- /bin/sh -c '
  cd "$1" && mkdir -p .host && pivot_root . .host && cd / && umount -l /.host && rmdir /.host &&
  shift && exec "$@"' sh "$root" \
  /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" LANG=C.UTF-8 CI="${CI:-}" \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  /bin/bash -c 'cd /root/voltarik && exec "$@"' bash "$@"
