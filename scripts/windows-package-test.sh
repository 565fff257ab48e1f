#!/usr/bin/env bash
# The Windows packages, tried as a user would under Wine in a prefix of their own:
# silent per-user install, the "Open with" keys, every sample opened with the
# stand-in tools, silent uninstall that leaves only the user's tableRFC.cfg.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(TesmiraViewer VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
setup=$PWD/build-windows/package/TesmiraViewer-$version-setup.exe
export WINEPREFIX=$PWD/build-windows/wine-install
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" DISPLAY=
wine64=/usr/lib/wine/wine64
fail() { echo "package test: $*" >&2; exit 1; }

rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
"$wine64" wineboot --init >/dev/null 2>&1 || true
wineserver -w
"$wine64" "$setup" /S >/dev/null 2>&1 || fail "the installer failed"
wineserver -w
dir="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Programs/Tesmira Viewer"
[ -d "$dir" ] || dir="$(find "$WINEPREFIX/drive_c/users" -maxdepth 5 -type d -name 'Tesmira Viewer' | head -1)"
[ -n "$dir" ] && [ -d "$dir" ] || fail "nothing installed in the user's programs folder"
for file in Vandrel.exe noimage.jpg PlantillaVQDGenerica.Fat PlantillaVQDGenericaCFDI40.Fat OstrelGenericoCFDI.cfg \
            $(cat build-windows/package-build/siblings.txt) Uninstall.exe Ejemplos/tableRFC.cfg Ejemplos/cfdi40-generico.xml; do
  [ -f "$dir/$file" ] || fail "$file was not installed"
done
for extension in xml vqd; do
  key="HKCU\\Software\\Classes\\SystemFileAssociations\\.$extension\\shell\\TesmiraViewer\\command"
  "$wine64" reg query "$key" 2>/dev/null | tr -d '\r' | grep -q 'Vandrel.exe" "%1"' || fail "no \"Open with\" key for .$extension"
done
echo "Installed per user in $(basename "$dir"), with the \"Open with\" keys for .xml and .vqd."

# The installed renderer opens its pages with the desktop's handler: no setting says otherwise.
[ ! -e "$dir/Quenda.cfg" ] || fail "Quenda.cfg was installed: pages would not open by default"
# Here a recording opener stands in for the desktop's, so that no browser starts.
cp build-windows/build/bin/recorder.exe "$dir/recorder.exe"
printf 'abridor=recorder.exe\r\n' > "$dir/Quenda.cfg"
opened=$PWD/build-windows/package-opened.log
rm -f "$opened"
wine_log=$PWD/build-windows/package-wine.log

# The first program of a Wine session also starts the prefix's session: wineboot's
# run keys, the desktop process and the device services, all at once with it. On
# a loaded machine a child started during that start-up could fail (507 once in
# seven fresh prefixes); on Windows there is no such start. The session is started
# here, by the installed program itself (without an argument it only says how to
# use it), and kept for the samples.
wineserver -w
wineserver -p60
rc=0
(cd "$dir" && "$wine64" "$dir/Vandrel.exe" >"$wine_log" 2>&1) || rc=$?
# 502, as a POSIX parent sees it: the low eight bits.
[ "$rc" -eq $((502 % 256)) ] || fail "the installed program without an argument ended with $rc, not 502"

# Every sample, opened as a double-click would: exit 0, a rendered page, and the opener started with it.
for sample in "$dir"/Ejemplos/*.xml; do
  name=$(basename "$sample")
  rc=0
  (cd "$dir/Ejemplos" && RECORDER_LOG="Z:${opened//\//\\}" \
     "$wine64" "$dir/Vandrel.exe" "$name" >"$wine_log" 2>&1) || rc=$?
  [ "$rc" -eq 0 ] || { tail -n 20 "$wine_log" >&2; fail "$name ended with $rc"; }
  # The opener's record: its name, its folder, then the page it was given.
  page=$(tail -n 1 "$opened" 2>/dev/null | tr -d '\r' | awk -F '\t' '{print $3}' | sed 's/.*[\\/]//')
  [ -n "$page" ] || fail "$name: the opener was not started"
  [ -f "$dir/rendered/$page" ] || fail "$name: the opener got $page, which is not a rendered page"
  count=$(wc -l < "$opened")
  [ "$count" -eq "${expected_count:=1}" ] || fail "$name: the opener was started $count times in all"
  expected_count=$((expected_count + 1))
done
echo "Every sample opened with exit code 0, a rendered page, and the opener started with the page."
rm -f "$dir/Quenda.cfg" "$dir/recorder.exe"
wineserver -k || true

# Uninstall: only the user's own tableRFC.cfg stays.
printf 'RFC=visor.exe\n' > "$dir/tableRFC.cfg"
"$wine64" "$dir/Uninstall.exe" /S >/dev/null 2>&1 || fail "the uninstaller failed"
wineserver -w
left=$(cd "$dir" && find . -mindepth 1 | sort | tr '\n' ' ')
[ "$left" = "./tableRFC.cfg " ] || fail "the uninstaller left: $left"
for key in 'Software\Classes\SystemFileAssociations\.xml\shell\TesmiraViewer' \
           'Software\Classes\SystemFileAssociations\.vqd\shell\TesmiraViewer' \
           'Software\Microsoft\Windows\CurrentVersion\Uninstall\Tesmira Viewer' 'Software\Tesmira'; do
  ! "$wine64" reg query "HKCU\\$key" >/dev/null 2>&1 || fail "HKCU\\$key is still there"
done
wineserver -k || true
echo "Uninstalled: no key left, no file but the user's tableRFC.cfg."
