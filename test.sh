#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every check: the test suites (also under
# AddressSanitizer and UndefinedBehaviorSanitizer), formatting, clang-tidy and clazy, the fuzz
# targets, the reproducibility of the release package, and last every test of the developer build, the system tests included. Ends with
# CTest's summary of that build; exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"

./tools/install-deps.sh

# The metering core must build and pass its tests with no Qt at all.
cmake --preset core
cmake --build --preset core
ctest --preset core

cmake --preset dev
cmake --build --preset dev

# Every suite again with the sanitizers; the first report ends the run.
cmake --preset asan
cmake --build --preset asan
ctest --preset asan

./tools/static-analysis.sh build
./tools/fuzz.sh "${VOLTARIK_FUZZ_SECONDS:-60}"

# Two release builds of the last commit, from two fresh clones, must give the same .deb.
./tools/check-reproducible.sh

ctest --preset all
