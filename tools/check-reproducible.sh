#!/usr/bin/env bash
# Builds the release .deb twice from two fresh clones of the last commit, in two differently
# named folders, one after the other, under different umasks, time zones and locales, and checks
# that the two packages are byte-identical. On a difference it lists the members that differ.
# Usage: tools/check-reproducible.sh
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

build() {  # FOLDER UMASK TZ LANG
  git clone --quiet --no-hardlinks "$PWD" "$work/$1"
  (umask "$2" && TZ=$3 LANG=$4 LC_ALL=$4 "$work/$1/tools/build-deb.sh")
}
first=$(build first 022 UTC C.UTF-8)
second=$(build "second/deeper folder" 002 Europe/Prague C)

sha256sum "$first" "$second"
if cmp -s "$first" "$second"; then
  echo "reproducible: two builds of $(git rev-parse --short HEAD) give the same .deb"
  exit 0
fi
list_members() {  # DEB: the archive's headers, a checksum of each member and packaged file
  ar tv "$1"
  mkdir -p "$1.x" && (cd "$1.x" && ar x "$1" && tar tvf data.tar.* && tar xf data.tar.* &&
    find . -type f | sort | xargs sha256sum)
}
echo "not reproducible: the two .deb files differ; the members that differ:"
diff <(list_members "$first") <(list_members "$second") || true
exit 1
