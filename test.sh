#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every check: the test suites (also under
# AddressSanitizer and UndefinedBehaviorSanitizer), clang-tidy and clazy, and the fuzz targets.
# Ends with CTest's summary of the main build; exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"

./tools/install-deps.sh

# The metering core must build and pass its tests with no Qt at all.
cmake -S . -B build-core -DVOLTARIK_WINDOW=OFF -DVOLTARIK_BENCHMARKS=OFF
cmake --build build-core -j2
ctest --test-dir build-core -j2 --output-on-failure

cmake -S . -B build -DVOLTARIK_TESTS=ON -DVOLTARIK_BENCHMARKS=ON
cmake --build build -j2

# Every suite again with the sanitizers; the first report ends the run.
cmake -S . -B build-asan -DVOLTARIK_SANITIZE=ON -DVOLTARIK_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=Debug
cmake --build build-asan -j2
ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  QT_QPA_PLATFORM=offscreen ctest --test-dir build-asan -j2 --output-on-failure

./tools/static-analysis.sh build
./tools/fuzz.sh "${VOLTARIK_FUZZ_SECONDS:-60}"

QT_QPA_PLATFORM=offscreen ctest --test-dir build -j2 --output-on-failure
