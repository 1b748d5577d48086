#!/bin/sh
# The desktop entry and the AppStream metadata installed under ROOT (/ by default) validate. A
# package built for a news server on the user's own machine names no web site (debian/rules), and
# AppStream 1.0 and later ask installed metadata for a homepage: that alone may remain, and only
# where no site is named.
# Usage: tools/validate-metadata.sh [ROOT]
set -e
root=${1:-/}
desktop-file-validate "$root/usr/share/applications/cz.kvorlin.Voltarik.desktop"
metainfo=$root/usr/share/metainfo/cz.kvorlin.Voltarik.metainfo.xml
if ! output=$(appstreamcli validate --no-net --explain "$metainfo" 2>&1); then
  printf '%s\n' "$output"
  ! grep -q '<url type="homepage">' "$metainfo" &&
    ! printf '%s\n' "$output" | grep -E '^[EW]: ' | grep -qv ': url-homepage-missing$'
  exit
fi
printf '%s\n' "$output"
