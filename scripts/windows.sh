#!/usr/bin/env bash
# The Windows program: cross-builds Vandrel.exe, the stand-in tools and the
# tests for x86_64 Windows with mingw-w64, runs the suite under Wine with no
# display, then makes the packages and tries them. Installs what it needs
# (apt-get, as root). Build output goes to build-windows/logs/.
set -euo pipefail
cd "$(dirname "$0")/.."
logs=$PWD/build-windows/logs
mkdir -p "$logs"
step() { echo "== $*"; }
quietly() {  # runs a step with its output in a log, shown only when it fails
  local log=$logs/$1
  shift
  if ! "$@" >"$log" 2>&1; then
    tail -40 "$log" >&2
    echo "Failed; the whole output is in $log" >&2
    exit 1
  fi
}

step "Debian packages"
quietly setup.log scripts/setup.sh g++-mingw-w64-x86-64-posix wine64 wine dpkg-dev nsis
step "Static libxml2, libxslt, libcurl and libqrencode for Windows (kept between runs)"
VIEWER_WINDOWS_DEPS=$(scripts/windows-deps.sh 2>"$logs/windows-deps.log") || {
  tail -40 "$logs/windows-deps.log" >&2
  exit 1
}
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
step "Build (tests, stand-in tools, Vandrel.exe)"
quietly configure.log cmake -S . -B build-windows/build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DVIEWER_BUILD_TESTS=ON -DVIEWER_MESSAGES_TO_STDERR=ON
quietly build.log cmake --build build-windows/build -j"$jobs"

step "Tests under Wine"
# The suite must leave Wine's temporary folder as it found it.
wine_temp="$WINEPREFIX/drive_c/users/$(id -un)/Temp"
temp_before=$(ls -A "$wine_temp" 2>/dev/null | sort)
status=0
(cd build-windows/build && ctest -j"$jobs" --output-on-failure >"$logs/ctest.log" 2>&1) || status=$?
wineserver -k || true
grep -E '^[0-9]+% tests passed|^Total Test time' "$logs/ctest.log" || true
# Every skipped test, with the reason it gave.
awk '/: Skipped\r?$/ { getline reason; sub(/\r$/, "", reason) }
     /^\[  SKIPPED \] [^ ]+ \(/ { print "   skipped: " $4 " (" reason ")" }' \
  build-windows/build/Testing/Temporary/LastTest.log
if [ "$status" -ne 0 ]; then
  grep -E '^\s+[0-9]+ - .*\((Failed|Timeout|SEGFAULT|Exception)' "$logs/ctest.log" >&2 || true
  echo "Windows tests failed; the whole output is in $logs/ctest.log" >&2
  exit "$status"
fi
temp_after=$(ls -A "$wine_temp" 2>/dev/null | sort)
if [ "$temp_before" != "$temp_after" ]; then
  echo "The tests left files in Wine's temporary folder:" >&2
  comm -13 <(echo "$temp_before") <(echo "$temp_after") | head -20 >&2
  exit 1
fi
echo "   Wine's temporary folder is as the tests found it."

step "Packages (release settings)"
quietly package-configure.log cmake -S . -B build-windows/package-build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DVIEWER_BUILD_TESTS=ON
quietly package-build.log cmake --build build-windows/package-build -j"$jobs" --target Vandrel stand_ins
rm -rf build-windows/package
quietly cpack.log sh -c 'cd build-windows/package-build && cpack -B ../package'
size=$(stat -c %s build-windows/package-build/bin/Vandrel.exe)
echo "   Vandrel.exe (release, stripped): $size bytes"
[ "$size" -lt 2621440 ] || { echo "Vandrel.exe is over 2.5 MB" >&2; exit 1; }
ls build-windows/package/*.exe build-windows/package/*.zip | sed 's/^/   /'
step "The installer under Wine (a prefix of its own)"
scripts/windows-package-test.sh | sed 's/^/   /'
echo "All tests passed under Wine (Vandrel.exe, x86_64 Windows); packages in build-windows/package."
