#!/usr/bin/env bash
# Makes the Debian source package of the last commit for one release, in OUTDIR: the upstream
# tarball voltarik_VERSION.orig.tar.xz, the commit without debian/ (as a release makes it from its
# tag, git archive of v$VERSION), and debian/ from the commit. For Debian 12 the package is
# versioned as a backport (1.0.0-1~bpo12+1), so that upgrading the system to Debian 13 upgrades it
# to the package built there. Both come out the same whenever and wherever they are made: the
# tarball is dated by the commit, the backport's entry by the commit too. Prints the .dsc's path.
# Usage: tools/debian-source.sh RELEASE OUTDIR   (RELEASE: bookworm, trixie or unstable)
set -euo pipefail
cd "$(dirname "$0")/.."
release=${1:?usage: tools/debian-source.sh RELEASE OUTDIR}
out=$(realpath -m "${2:?usage: tools/debian-source.sh RELEASE OUTDIR}")
case "$release" in
  bookworm) backport=12 ;;
  trixie | unstable | forky) backport= ;;
  *) echo "debian-source: unknown release '$release'" >&2; exit 2 ;;
esac

version=$(dpkg-parsechangelog -l debian/changelog -S Version)
upstream=${version%-*}
rm -rf "$out"
mkdir -p "$out/src"
git archive --format=tar --prefix="voltarik-$upstream/" HEAD -- . ':!debian' |
  xz -9 -T1 >"$out/voltarik_$upstream.orig.tar.xz"
tar -xf "$out/voltarik_$upstream.orig.tar.xz" -C "$out/src"
tree=$out/src/voltarik-$upstream
git archive --format=tar HEAD debian | tar -x -C "$tree"

if [ -n "$backport" ]; then
  maintainer=$(dpkg-parsechangelog -l "$tree/debian/changelog" -S Maintainer)
  {
    printf 'voltarik (%s~bpo%s+1) %s-backports; urgency=medium\n\n' "$version" "$backport" "$release"
    printf '  * Rebuild for %s-backports.\n\n' "$release"
    printf ' -- %s  %s\n\n' "$maintainer" \
      "$(LC_ALL=C date -u -R -d "@$(git log -1 --format=%ct HEAD)")"
    cat "$tree/debian/changelog"
  } >"$tree/debian/changelog.new"
  mv "$tree/debian/changelog.new" "$tree/debian/changelog"
  # Debian 12's lintian neither checks AppStream metadata with appstreamcli nor takes a backport
  # for a first upload, and refuses an override of a tag it does not know.
  awk 'BEGIN { RS = ""; ORS = "\n\n" }
       !/appstream-metadata-validation-failed|initial-upload-closes-no-bugs/' \
    debian/voltarik.lintian-overrides >"$tree/debian/voltarik.lintian-overrides"
  [ -s "$tree/debian/voltarik.lintian-overrides" ] || rm "$tree/debian/voltarik.lintian-overrides"
fi

(cd "$out" && dpkg-source --build "src/voltarik-$upstream" >/dev/null)
rm -rf "$out/src"
ls "$out"/voltarik_*.dsc
