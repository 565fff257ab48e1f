#!/usr/bin/env bash
# The whole test suite: a regular build and a build with AddressSanitizer and
# UndefinedBehaviorSanitizer (leak checking included), each run with ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

# The tests point the image server at a closed loopback port: a test never reaches the network.
image_url=http://127.0.0.1:9/Vandrel/images/
# Image downloads are held to a few seconds, so that the tests of the time limits stay short.
limits=(-DVIEWER_IMAGE_TIMEOUT_MS=2000 -DVIEWER_FETCH_BUDGET_MS=5000)
cmake -S . -B build -DVIEWER_BUILD_TESTS=ON -DVIEWER_IMAGE_BASE_URL=$image_url "${limits[@]}"
cmake --build build -j"$jobs"
(cd build && ctest -j"$jobs" --output-on-failure)

cmake -S . -B build-asan -DVIEWER_BUILD_TESTS=ON -DVIEWER_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug \
  -DVIEWER_IMAGE_BASE_URL=$image_url "${limits[@]}"
cmake --build build-asan -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && ctest -j"$jobs" --output-on-failure)
echo "All tests passed (regular and sanitizer builds)."
