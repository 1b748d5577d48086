#!/usr/bin/env bash
# Builds the Debian packages of the last commit for this machine's release the Debian way: the
# source package (tools/debian-source.sh), then dpkg-buildpackage with debhelper, in build-deb/.
# This is the release build: hardened by dpkg-buildflags, dated by the changelog, the same bytes
# wherever and whenever it is made. Extra arguments go to dpkg-buildpackage, for example
# -Pnocheck to leave the tests out (DEB_BUILD_OPTIONS=nocheck does the same). Needs the build
# dependencies installed (tools/install-deps.sh). Prints the paths of the .deb files.
# Usage: tools/build-deb.sh [dpkg-buildpackage options]
set -euo pipefail
cd "$(dirname "$0")/.."
release=$(. /etc/os-release && echo "${VERSION_CODENAME:-unstable}")
[ "$release" = forky ] && release=unstable
out=$PWD/build-deb
dsc=$(tools/debian-source.sh "$release" "$out")
(cd "$out" && dpkg-source --extract "$dsc" src >/dev/null &&
  cd src && dpkg-buildpackage --unsigned-source --unsigned-changes --build=binary "$@" \
    >"$out/build.log" 2>&1) || { tail -n 50 "$out/build.log"; exit 1; }
git rev-parse HEAD >"$out/commit"
ls "$out"/*.deb
