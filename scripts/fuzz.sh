#!/usr/bin/env bash
# Runs every fuzz target for SECONDS seconds (default 30) from its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
scripts/setup.sh
if ! command -v clang++ >/dev/null || ! dpkg-query -W -f='${Status}' libclang-rt-14-dev 2>/dev/null | grep -q "ok installed"; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev
fi
CXX=clang++ cmake -S . -B build-fuzz -DVIEWER_FUZZ=ON -DVIEWER_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-fuzz -j"$(nproc)"
for target in build-fuzz/bin/fuzz_*; do
  name=$(basename "$target")
  corpus="build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  cp -n fuzz/seeds/"$name"/* "$corpus"/ 2>/dev/null || true
  cp -n tests/corpus/*.xml "$corpus"/ 2>/dev/null || true
  echo "== $name ($seconds s)"
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 "$corpus" 2>&1 | tail -2
done
echo "All fuzz targets ran without a finding."
