#!/usr/bin/env bash
# Fails when a binary carries a library search path (RPATH or RUNPATH) of its own: even an empty
# entry makes the loader look in the current folder first. Usage: no_search_path_check.sh BINARY...
set -euo pipefail
status=0
for binary in "$@"; do
  if paths=$(readelf -d "$binary" | grep -E '\((RPATH|RUNPATH)\)'); then
    echo "$binary carries a library search path: $paths"
    status=1
  fi
done
exit $status
