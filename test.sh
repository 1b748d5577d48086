#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every check: the test suites (also under
# AddressSanitizer and UndefinedBehaviorSanitizer), formatting, clang-tidy and clazy, the fuzz
# targets, the release build of the Debian packages, and last every test of the developer build,
# the system tests included (the packages installed among them). Ends with CTest's summary of that
# build; exits non-zero on any failure. Debian's own QA of the packages is tools/debian-qa.sh.
# --no-fuzz and --no-sanitizers leave those two out, where another run of the same tree makes them
# (CI's second Debian release: the fuzz targets and the sanitizers find nothing there that the
# first run's would not).
# Usage: ./test.sh [--no-fuzz] [--no-sanitizers]
set -euo pipefail
cd "$(dirname "$0")"
fuzz=true sanitizers=true
for option in "$@"; do
  case "$option" in
    --no-fuzz) fuzz=false ;;
    --no-sanitizers) sanitizers=false ;;
    *) echo "usage: ./test.sh [--no-fuzz] [--no-sanitizers]" >&2; exit 2 ;;
  esac
done

./tools/install-deps.sh

# The metering core must build and pass its tests with no Qt at all.
cmake --preset core
cmake --build --preset core
ctest --preset core

cmake --preset dev
cmake --build --preset dev

# Every suite again with the sanitizers; the first report ends the run.
if $sanitizers; then
  cmake --preset asan
  cmake --build --preset asan
  ctest --preset asan
fi

./tools/static-analysis.sh build
if $fuzz; then ./tools/fuzz.sh "${VOLTARIK_FUZZ_SECONDS:-60}"; fi

# The release build: the Debian packages of the last commit, which the package test installs.
./tools/build-deb.sh -Pnocheck

ctest --preset all
