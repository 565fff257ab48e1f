#!/usr/bin/env bash
# The demo: builds the viewer and the stand-in tools, lays out a program
# directory, starts a loopback image server and opens the sample invoices.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
scripts/setup.sh
port=18700
cmake -S . -B build-demo -DVIEWER_BUILD_TESTS=ON -DVIEWER_IMAGE_BASE_URL="http://127.0.0.1:${port}/Vandrel/images/" >/dev/null
cmake --build build-demo -j"$(nproc)" --target Vandrel stand_ins image_server noop >/dev/null

program="$top/demo/program"
rm -rf "$top/demo"
mkdir -p "$program" "$top/demo/facturas"
bin="$top/build-demo/bin"
cp "$bin/Vandrel" "$program/"
while read -r sibling; do cp "$bin/$sibling" "$program/"; done < build-demo/siblings.txt
cp tools/templates/* "$program/"
# A file that is no invoice goes to the desktop's opener, looked up beside the program first: the demo's does nothing.
cp "$bin/noop" "$program/xdg-open"
cp examples/tableRFC.cfg examples/PlantillaTesmira.vqd "$program/"
cp examples/images/logo_TES030201001.jpg "$program/"
cp examples/*.xml "$top/demo/facturas/"

"$bin/image_server" "$port" "$top/examples/images" "$top/demo/image-requests.log" &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.1
done

open_invoice() {
  local file=$1 road=$2
  echo "== $file"
  echo "   road: $road"
  local rc=0
  (cd "$top/demo/facturas" && "$program/Vandrel" "$file" 2>"$top/demo/messages.txt") || rc=$?
  echo "   exit code: $rc"
  [ -s "$top/demo/messages.txt" ] && sed 's/^/   message: /' "$top/demo/messages.txt"
  local page
  page=$(ls -t "$program/rendered/" 2>/dev/null | head -1)
  [ -n "$page" ] && echo "   page: $program/rendered/$page"
  return 0
}
open_invoice cfdi32-embebido.xml "CFDI 3.2 with an embedded document: QR code, logo fetched with the issuer's RFC, escape tokens decoded"
open_invoice cfd22-generico.xml "CFD 2.2 in a default namespace, no embedded document: generic template through Ostrel.exe"
open_invoice cfdi32-cifrado.xml "encrypted invoice: decrypted by Selvar.exe, then the generic CFDI template with its QR code"
open_invoice cfd22-emisor-propio.xml "issuer listed in tableRFC.cfg: the issuer's own command"
open_invoice cfdi40-generico.xml "CFDI 4.0, no embedded document: the 4.0 template through Ostrel.exe, logo fetched with the issuer's RFC, QR code with the SAT's verification text"
echo
echo "Images requested from the image server:"
sed 's/^/   /' "$top/demo/image-requests.log" 2>/dev/null || echo "   (none)"
echo "Open the pages above in a browser; they are self-contained."
