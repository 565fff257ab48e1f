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
cmake --build build-release -j"$(nproc)" --target viewer_bench document_bench Vandrel recorder noop ostrel >/dev/null
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
