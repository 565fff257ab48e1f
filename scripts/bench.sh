#!/usr/bin/env bash
# Performance figures of the viewer, built in release mode; one line per figure
# with the ratio it is judged by. Not part of the test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if ! dpkg-query -W -f='${Status}' libxml2-utils 2>/dev/null | grep -q "ok installed" && [ "$(id -u)" -eq 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends libxml2-utils >/dev/null
fi
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DVIEWER_BUILD_TESTS=ON \
  -DVIEWER_IMAGE_BASE_URL=http://127.0.0.1:9/Vandrel/images/ >/dev/null
cmake --build build-release -j"$(nproc)" --target viewer_bench document_bench Vandrel recorder noop >/dev/null
build-release/bin/viewer_bench
build-release/bin/document_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true 2>/dev/null |
  grep median
