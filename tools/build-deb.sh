#!/usr/bin/env bash
# Builds the release .deb the way it is published: the release preset (hardened), packed by CPack
# with every timestamp set to the last commit's date, so that two builds of one commit give the
# same bytes. Extra arguments go to the configure step (for example -DVOLTARIK_NEWS_HOST=...).
# Prints the path of the .deb. Usage: tools/build-deb.sh [cmake options]
set -euo pipefail
cd "$(dirname "$0")/.."

# CPack takes the modes of the archive's own members from the umask.
umask 022
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH
cmake --preset release "$@" >/dev/null
cmake --build --preset release >/dev/null
(cd build-release && cpack -G DEB >/dev/null)
ls "$PWD"/build-release/voltarik_*.deb
