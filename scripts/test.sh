#!/usr/bin/env bash
# The whole test suite: a regular build and a build with AddressSanitizer and
# UndefinedBehaviorSanitizer (leak checking included), each run with ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh chromium poppler-utils libxml2-utils
jobs=$(nproc)

# The suite builds a viewer of its own with settings of its own (tests/CMakeLists.txt): the
# product's settings are the defaults here, and a test never reaches beyond loopback.
cmake -S . -B build -DVIEWER_BUILD_TESTS=ON
cmake --build build -j"$jobs"
(cd build && ctest -j"$jobs" --output-on-failure)

cmake -S . -B build-asan -DVIEWER_BUILD_TESTS=ON -DVIEWER_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build build-asan -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && ctest -j"$jobs" --output-on-failure)
echo "All tests passed (regular and sanitizer builds)."
