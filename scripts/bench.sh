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
cmake --build build-release -j"$(nproc)" --target viewer_bench document_bench Vandrel recorder noop stand_ins >/dev/null
build-release/bin/viewer_bench
build-release/bin/document_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true 2>/dev/null |
  grep median

# The converter on CFDI 4.0 invoices of N concepts: time per concept must stay flat.
bench=$(mktemp -d)
trap 'rm -rf "$bench"' EXIT
invoice_of() {  # invoice_of N FILE
  awk -v n="$1" 'BEGIN {
    print "<?xml version=\"1.0\" encoding=\"UTF-8\"?><cfdi:Comprobante xmlns:cfdi=\"http://www.sat.gob.mx/cfd/4\"" \
          " Version=\"4.0\" FormaPago=\"03\" MetodoPago=\"PUE\" Moneda=\"MXN\" TipoDeComprobante=\"I\" Exportacion=\"01\"" \
          " LugarExpedicion=\"06600\" SubTotal=\"1.00\" Total=\"1.16\"><cfdi:Emisor Rfc=\"EKU9003173C9\" Nombre=\"E\"" \
          " RegimenFiscal=\"601\"/><cfdi:Receptor Rfc=\"XAXX010101000\" Nombre=\"R\" UsoCFDI=\"S01\"/><cfdi:Conceptos>"
    for (i = 0; i < n; i++)
      printf "<cfdi:Concepto ClaveProdServ=\"01010101\" Cantidad=\"1\" ClaveUnidad=\"H87\" Descripcion=\"Concepto %d\"" \
             " ValorUnitario=\"1.00\" Importe=\"1.00\" ObjetoImp=\"02\"><cfdi:Impuestos><cfdi:Traslados><cfdi:Traslado" \
             " Base=\"1.00\" Impuesto=\"002\" TipoFactor=\"Tasa\" TasaOCuota=\"0.160000\" Importe=\"0.16\"/>" \
             "</cfdi:Traslados></cfdi:Impuestos></cfdi:Concepto>\n", i
    print "</cfdi:Conceptos></cfdi:Comprobante>" }' > "$2"
}
bin=build-release/bin
for n in 1000 4000 10000 16000; do
  invoice_of "$n" "$bench/f$n.xml"
  best=
  for _ in 1 2 3; do
    start=$(date +%s%N)
    "$bin/Ostrel.exe" "$bench/f$n.xml" "$bin/PlantillaVQDGenericaCFDI40.Fat" "$bench/f$n.vqd" -c "$bin/OstrelGenericoCFDI40.cfg"
    took=$(( ($(date +%s%N) - start) / 1000 ))
    rm -f "$bench/f$n.vqd"
    if [ -z "$best" ] || [ "$took" -lt "$best" ]; then best=$took; fi
  done
  echo "converter, CFDI 4.0 of $n concepts: $((best / 1000)) ms, $((best / n)) us per concept"
done

# The whole road of a CFDI 4.0 invoice: the viewer, the QR tool, the converter and the
# renderer of an installed program folder, beside xmllint --noout of the same file.
road=$bench/program
cmake --install build-release --prefix "$road" --component viewer >/dev/null
printf 'abrir=no\n' > "$road/Quenda.cfg"
stamp='<cfdi:Complemento><tfd:TimbreFiscalDigital xmlns:tfd="http://www.sat.gob.mx/TimbreFiscalDigital" Version="1.1" UUID="3680B4AB-7D42-570A-9618-4A7D6701C44D" FechaTimbrado="2026-12-01T10:00:00" RfcProvCertif="SAT970701NN3" SelloCFD="abcdefgh" NoCertificadoSAT="00001000000504465028" SelloSAT="x"/></cfdi:Complemento>'
best_of() {  # best_of COMMAND...: the best of three wall times, in ms
  local best= start took
  for _ in 1 2 3; do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    took=$(( ($(date +%s%N) - start) / 1000000 ))
    if [ -z "$best" ] || [ "$took" -lt "$best" ]; then best=$took; fi
  done
  echo "$best"
}
road_line() {  # road_line LABEL FILE
  local own ref
  own=$(best_of "$road/Vandrel" "$2")
  ref=$(best_of xmllint --noout "$2")
  echo "whole road, $1: ${own} ms (xmllint --noout ${ref} ms)"
  eval "road_$3=$own"
}
cp examples/cfdi40-generico.xml "$bench/demo40.xml"
road_line "the demo's 4.0 invoice" "$bench/demo40.xml" demo
for n in 1000 10000; do
  invoice_of "$n" "$bench/r$n.xml"
  sed -i "s#</cfdi:Conceptos>#</cfdi:Conceptos>$stamp#" "$bench/r$n.xml"
  road_line "4.0 invoice of $n concepts" "$bench/r$n.xml" "$n"
done
echo "whole road, 10,000 concepts against 1,000: $(awk -v a="$road_1000" -v b="$road_10000" 'BEGIN { printf "%.1f", b / a }')x (target: within 12x, and under 2000 ms)"
