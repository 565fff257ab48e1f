#!/usr/bin/env bash
# Runs every fuzz target for SECONDS seconds (default 30) from its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
scripts/setup.sh clang libclang-rt-14-dev
CXX=clang++ cmake -S . -B build-fuzz -DVIEWER_FUZZ=ON -DVIEWER_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-fuzz -j"$(nproc)"
# A finding is kept under build-fuzz/findings; copied to fuzz/regressions/NAME it
# becomes a regression test of the ordinary build (ctest FuzzRegressions.NAME).
mkdir -p build-fuzz/findings
for target in build-fuzz/bin/fuzz_* build-fuzz/fuzz-dispatch/fuzz_dispatch; do
  name=$(basename "$target")
  corpus="build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  cp -n fuzz/seeds/"$name"/* "$corpus"/ 2>/dev/null || true
  cp -n fuzz/regressions/"$name"/* "$corpus"/ 2>/dev/null || true
  cp -n tests/corpus/*.xml examples/*.xml examples/*.vqd "$corpus"/ 2>/dev/null || true
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0
           -artifact_prefix="build-fuzz/findings/$name-")
  # The whole program speaks in message boxes on standard error: silenced while
  # fuzzing, shown again when a finding is replayed.
  [ "$name" = fuzz_dispatch ] && options+=(-close_fd_mask=2)
  echo "== $name ($seconds s)"
  if ! "$target" "${options[@]}" "$corpus" > "build-fuzz/$name.log" 2>&1; then
    tail -20 "build-fuzz/$name.log"
    for finding in build-fuzz/findings/"$name"-*; do
      [ -f "$finding" ] && "$target" "$finding" || true
    done
    echo "Fuzz target $name failed; an input that shows the fault is in build-fuzz/findings/." >&2
    exit 1
  fi
  tail -1 "build-fuzz/$name.log"
done
echo "All fuzz targets ran without a finding."
