#!/usr/bin/env bash
# The Windows program: cross-builds Vandrel.exe, the stand-in tools and the
# tests for x86_64 Windows with mingw-w64, then runs the suite under Wine with
# no display. Installs what it needs (apt-get, as root).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh g++-mingw-w64-x86-64-posix wine64 wine dpkg-dev

echo "Static libxml2, libcurl and libqrencode for Windows (kept between runs)..."
VIEWER_WINDOWS_DEPS=$(scripts/windows-deps.sh)
export VIEWER_WINDOWS_DEPS

# A Wine of the project's own: no display, no desktop integration, no noise.
export WINEPREFIX=${WINEPREFIX:-$PWD/build-windows/wine}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export DISPLAY=
wine64=/usr/lib/wine/wine64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine64" wineboot --init >/dev/null 2>&1 || true
  wineserver -w
fi

jobs=$(nproc)
cmake -S . -B build-windows/build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DVIEWER_BUILD_TESTS=ON -DVIEWER_MESSAGES_TO_STDERR=ON -DVIEWER_IMAGE_BASE_URL=http://127.0.0.1:9/Vandrel/images/ \
  -DVIEWER_IMAGE_TIMEOUT_MS=2000 -DVIEWER_FETCH_BUDGET_MS=5000
cmake --build build-windows/build -j"$jobs"
echo "Vandrel.exe (release, stripped): $(stat -c %s build-windows/build/bin/Vandrel.exe) bytes"
status=0
(cd build-windows/build && ctest -j"$jobs" --output-on-failure) || status=$?
wineserver -k || true
if [ "$status" -ne 0 ]; then
  echo "Windows tests failed." >&2
  exit "$status"
fi
echo "All tests passed under Wine (Vandrel.exe, x86_64 Windows)."
