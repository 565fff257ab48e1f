#!/usr/bin/env bash
# Prints the page of every real CFDI 3.3 and 4.0 invoice with a real browser (headless
# Chromium, to PDF) and checks the printed text: what the SAT asks a printed CFDI to show is
# there, and nothing is wider than the sheet. Each invoice runs in a program folder of its own
# made from the built program, its siblings and the templates; the renderer is told not to
# open the page. The PDFs, their text and a PNG of every page stay in the output folder.
#
#   print_check.sh --bin DIR --templates DIR --out DIR [--viewer FILE] INVOICE|FOLDER...
#
# A FOLDER stands for its *.xml of Version 3.3 and 4.0. Exit status 0 when every check passes.
set -uo pipefail
export LC_ALL=C.UTF-8

here=$(cd "$(dirname "$0")" && pwd)
bin="" templates="" out="" viewer=""
inputs=()
while [ $# -gt 0 ]; do
  case "$1" in
    --bin) bin=$2; shift 2 ;;
    --templates) templates=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --viewer) viewer=$2; shift 2 ;;
    *) inputs+=("$1"); shift ;;
  esac
done
[ -n "$viewer" ] || viewer="$bin/Vandrel"
# Every run happens in a folder of its own: paths are made absolute first.
absolute() { case "$1" in /*) printf '%s' "$1" ;; ?*) printf '%s/%s' "$PWD" "$1" ;; esac; }
bin=$(absolute "$bin"); templates=$(absolute "$templates"); out=$(absolute "$out"); viewer=$(absolute "$viewer")
if [ -z "$bin" ] || [ -z "$templates" ] || [ -z "$out" ] || [ ${#inputs[@]} -eq 0 ]; then
  echo "usage: $0 --bin DIR --templates DIR --out DIR [--viewer FILE] INVOICE|FOLDER..." >&2
  exit 2
fi
for tool in chromium pdftotext pdftoppm pdfimages xmllint timeout; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 2; }
done
for f in "$viewer" "$bin/Quenda.exe" "$bin/Ostrel.exe" "$bin/Marbet.exe"; do
  [ -x "$f" ] || { echo "FAIL: $f is missing (build the program and its siblings first)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/print-check.XXXXXX") || exit 2
trap 'rm -rf -- "$work"' EXIT
trap 'exit 130' INT TERM HUP
mkdir -p -- "$out" || exit 2
legend="Este documento es una representación impresa de un CFDI"
ref_word="representación"

xml_value() { xmllint --nonet --xpath "string($2)" "$1" 2>/dev/null; }
xml_attrs() { # every value of the attribute nodes an XPath selects, one a line
  xmllint --nonet --xpath "$2" "$1" 2>/dev/null | sed -n 's/^ *[A-Za-z:]*="\([^"]*\)"$/\1/p'
}

# SAT catalogs (Anexo 20): the descriptions a printed CFDI shows beside the codes.
forma_pago() {
  case "$1" in
    01) echo "Efectivo" ;; 02) echo "Cheque nominativo" ;; 03) echo "Transferencia electrónica de fondos" ;;
    04) echo "Tarjeta de crédito" ;; 05) echo "Monedero electrónico" ;; 06) echo "Dinero electrónico" ;;
    08) echo "Vales de despensa" ;; 12) echo "Dación en pago" ;; 13) echo "Pago por subrogación" ;;
    14) echo "Pago por consignación" ;; 15) echo "Condonación" ;; 17) echo "Compensación" ;;
    23) echo "Novación" ;; 24) echo "Confusión" ;; 25) echo "Remisión de deuda" ;;
    26) echo "Prescripción o caducidad" ;; 27) echo "A satisfacción del acreedor" ;; 28) echo "Tarjeta de débito" ;;
    29) echo "Tarjeta de servicios" ;; 30) echo "Aplicación de anticipos" ;; 31) echo "Intermediario pagos" ;;
    99) echo "Por definir" ;;
  esac
}
metodo_pago() {
  case "$1" in PUE) echo "Pago en una sola exhibición" ;; PPD) echo "Pago en parcialidades o diferido" ;; esac
}
tipo_comprobante() {
  case "$1" in I) echo "Ingreso" ;; E) echo "Egreso" ;; T) echo "Traslado" ;; N) echo "Nómina" ;; P) echo "Pago" ;; esac
}

# A program folder: the viewer, its siblings, the templates and a renderer that opens nothing.
make_program() {
  mkdir -p -- "$1" &&
    cp -- "$viewer" "$1/Vandrel" &&
    cp -- "$bin/Quenda.exe" "$bin/Ostrel.exe" "$bin/Marbet.exe" "$1/" &&
    cp -r -- "$templates"/. "$1/" &&
    printf 'abrir=no\n' >"$1/Quenda.cfg"
}

# Headless Chromium prints PAGE to PDF, from a profile of its own, with nothing to reach
# the network for (the page is a file whose images are data: URLs).
print_pdf() {
  local page=$1 pdf=$2 log=$3 profile
  profile=$(mktemp -d "$work/profile.XXXXXX")
  HOME=$profile XDG_CONFIG_HOME=$profile XDG_CACHE_HOME=$profile DBUS_SESSION_BUS_ADDRESS=disabled: \
    timeout -k 5 60 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
      --disable-background-networking --disable-component-update --disable-sync --disable-extensions \
      --host-resolver-rules="MAP * ~NOTFOUND" --user-data-dir="$profile" \
      --no-pdf-header-footer --print-to-pdf="$pdf" "file://$page" >"$log" 2>&1 </dev/null
  local rc=$?
  rm -rf -- "$profile"
  [ $rc -eq 0 ] && [ -s "$pdf" ]
}

# The height of the legend's word printed at full size: a one-line document through the same
# renderer and browser. An invoice page printed smaller was shrunk to fit something too wide.
calibrate() {
  local dir="$work/calibration"
  mkdir -p "$dir" && cp -- "$bin/Quenda.exe" "$dir/" && printf 'abrir=no\n' >"$dir/Quenda.cfg" || return 1
  printf '@@legend %s\r\n' "$legend" | iconv -f UTF-8 -t LATIN1 >"$dir/escala.vqd" || return 1
  (cd "$dir" && timeout 60 ./Quenda.exe "$dir/escala.vqd" "-x=$dir/escala.xml" >/dev/null 2>&1) || return 1
  print_pdf "$dir/rendered/escala.html" "$dir/escala.pdf" "$out/calibration-chromium.log" || return 1
  pdftotext -bbox "$dir/escala.pdf" - | awk -v ref_word="$ref_word" -f "$here/page_geometry.awk" |
    sed -n 's/^ref_height=//p'
}

failures=0
fail() { echo "FAIL: $invoice_name: $*"; failures=$((failures + 1)); invoice_failed=1; }

has_text() { grep -qiF -- "$1" "$flat"; }
# Long values (seals, the UUID) may be wrapped anywhere: compared without blanks.
has_unbroken() { grep -qiF -- "$(printf '%s' "$1" | tr -d '[:space:]')" "$compact"; }

# True when the text holds AMOUNT as the page prints money: digits with optional thousands
# commas; as many decimals as the invoice wrote, or two or more (a number cut by a line break,
# "2,000.0" then "0", is not the amount).
has_amount() {
  local want=$1 decimals=0 whole=${1%.*}
  [ "$whole" = "$want" ] || decimals=$((${#want} - ${#whole} - 1))
  grep -oE '[0-9][0-9,]*(\.[0-9]+)?' "$flat" | tr -d , |
    awk -v want="$want" -v wd="$decimals" '
      { d = index($0, ".") ? length($0) - index($0, ".") : 0
        if ((d == wd || d >= 2) && ($0 - want < 0.005) && (want - $0 < 0.005)) found = 1 }
      END { exit !found }'
}

check_text() {
  local xml=$1 uuid total moneda code desc cents imp attr value pair
  has_text "$legend" || fail "missing text \"$legend\""
  uuid=$(xml_value "$xml" "//*[local-name()='TimbreFiscalDigital']/@UUID")
  if [ -n "$uuid" ]; then
    has_unbroken "$uuid" || fail "missing the stamp's UUID \"$uuid\""
    for attr in NoCertificadoSAT SelloSAT SelloCFD; do
      value=$(xml_value "$xml" "//*[local-name()='TimbreFiscalDigital']/@$attr")
      [ -z "$value" ] || has_unbroken "$value" || fail "missing the stamp's $attr \"${value:0:40}...\""
    done
  fi
  for attr in Emisor Receptor; do
    value=$(xml_value "$xml" "/*/*[local-name()='$attr']/@Rfc")
    [ -z "$value" ] || has_text "$value" || fail "missing the $attr's RFC \"$value\""
  done
  while IFS= read -r imp; do
    has_amount "$imp" || fail "missing a concept's Importe $imp (looked for it as money, commas ignored)"
  done < <(xml_attrs "$xml" "/*/*[local-name()='Conceptos']/*[local-name()='Concepto']/@Importe")
  total=$(xml_value "$xml" "/*/@Total")
  [ -z "$total" ] || has_amount "$total" || fail "missing the Total $total"
  for pair in "FormaPago forma_pago" "MetodoPago metodo_pago" "TipoDeComprobante tipo_comprobante"; do
    code=$(xml_value "$xml" "/*/@${pair% *}")
    [ -n "$code" ] || continue
    desc=$(${pair#* } "$code")
    [ -z "$desc" ] || has_text "$desc" || fail "missing the catalog description of ${pair% *} $code: \"$desc\""
  done
  # The amount in words ends in the cents over 100 and, for pesos, "M.N."; a payment
  # voucher (currency XXX, total 0) has none.
  moneda=$(xml_value "$xml" "/*/@Moneda")
  if [ -n "$total" ] && [ "$moneda" != "XXX" ]; then
    cents=$(awk -v t="$total" 'BEGIN { printf "%02d", int((t - int(t)) * 100 + 0.5) % 100 }')
    if [ "$moneda" = "MXN" ] || [ -z "$moneda" ]; then
      grep -qE "(^|[^0-9])$cents/100 ?M\. ?N\." "$flat" || fail "missing the amount in words (\"... $cents/100 M.N.\")"
    else
      grep -qE "(^|[^0-9])$cents/100([^0-9]|$)" "$flat" || fail "missing the amount in words (\"... $cents/100 $moneda\")"
    fi
  fi
}

# The QR code (the one square image) prints at least 2.75 cm a side, 3 cm as the page asks.
check_qr() {
  local pdf=$1 side
  side=$(pdfimages -list "$pdf" 2>/dev/null | awk 'NR > 2 && $3 == "image" && $4 == $5 && $13 > 0 { s = $4 / $13 * 2.54 } END { if (s) printf "%.2f", s }')
  if [ -z "$side" ]; then
    fail "no QR code is printed (no square image in the PDF)"
  elif awk -v s="$side" 'BEGIN { exit !(s < 2.75 || s > 3.1) }'; then
    fail "the QR code prints ${side} cm a side, not 3 cm"
  fi
}

check_layout() {
  local pdf=$1 bbox=$2 ref=$3 result height scale
  pdftotext -bbox "$pdf" "$bbox" || { fail "pdftotext -bbox failed"; return; }
  result=$(awk -v ref_word="$ref_word" -f "$here/page_geometry.awk" "$bbox")
  while IFS= read -r line; do
    case "$line" in FAIL\ *) fail "layout: ${line#FAIL }" ;; esac
  done <<<"$result"
  height=$(sed -n 's/^ref_height=//p' <<<"$result")
  if [ -n "$ref" ] && [ "${height:--1}" != "-1" ]; then
    scale=$(awk -v h="$height" -v r="$ref" 'BEGIN { printf "%.3f", h / r }')
    awk -v s="$scale" 'BEGIN { exit !(s < 0.98) }' &&
      fail "layout: the browser shrank the page to ${scale} of its size to fit it on the sheet: something is wider than the page"
  fi
  echo "  $(sed -n 's/^pages=//p' <<<"$result") page(s), print scale ${scale:-unknown}"
}

check_invoice() {
  local xml=$1 stem dir prog page rc
  invoice_name=$(basename "$xml"); invoice_failed=0
  stem=${invoice_name%.xml}
  dir="$out/$stem"; prog="$work/$stem/program"
  echo "== $invoice_name"
  rm -rf -- "$dir"; mkdir -p -- "$dir"
  make_program "$prog" || { fail "cannot lay out the program folder"; return; }
  cp -- "$xml" "$work/$stem/$invoice_name"
  (cd "$work/$stem" && timeout -k 5 60 "$prog/Vandrel" "$work/$stem/$invoice_name" >"$dir/viewer.log" 2>&1)
  rc=$?
  [ $rc -eq 0 ] || { fail "the viewer ended with $rc (see $dir/viewer.log)"; return; }
  page=$(find "$prog/rendered" -maxdepth 1 -name '*.html' 2>/dev/null | head -n 1)
  [ -n "$page" ] || { fail "the viewer wrote no page in rendered/"; return; }
  cp -- "$page" "$dir/page.html"
  print_pdf "$page" "$dir/page.pdf" "$dir/chromium.log" || { fail "Chromium did not print the page (see $dir/chromium.log)"; return; }
  pdftotext -enc UTF-8 "$dir/page.pdf" "$dir/page.txt" || { fail "pdftotext failed"; return; }
  flat="$dir/page.flat.txt"; compact="$work/$stem/compact.txt"
  tr -s '[:space:]' ' ' <"$dir/page.txt" >"$flat"
  tr -d '[:space:]' <"$dir/page.txt" >"$compact"
  check_text "$xml"
  [ -z "$(xml_value "$xml" "//*[local-name()='TimbreFiscalDigital']/@UUID")" ] || check_qr "$dir/page.pdf"
  check_layout "$dir/page.pdf" "$dir/page.bbox.html" "$reference"
  pdftoppm -r 90 -png "$dir/page.pdf" "$dir/page" || fail "pdftoppm failed"
  [ $invoice_failed -ne 0 ] || echo "  ok"
}

invoices=()
for input in "${inputs[@]}"; do
  if [ -d "$input" ]; then
    for xml in "$input"/*.xml; do
      case "$(xml_value "$xml" "/*/@Version")" in 3.3 | 4.0) invoices+=("$xml") ;; esac
    done
  else
    invoices+=("$input")
  fi
done
[ ${#invoices[@]} -gt 0 ] || { echo "FAIL: no CFDI 3.3 or 4.0 invoice among ${inputs[*]}" >&2; exit 2; }

reference=$(calibrate)
if [ -z "$reference" ] || [ "$reference" = "-1" ]; then
  echo "FAIL: the legend printed alone by the renderer could not be measured, so the print scale is not checked"
  failures=$((failures + 1)); reference=""
fi

completed=0
for xml in "${invoices[@]}"; do
  check_invoice "$xml"
  completed=$((completed + 1))
done
echo "${#invoices[@]} invoice(s), $failures failed check(s); pages, PDFs and text in $out"
# A check that broke off (a shell error) must not pass for a clean run.
[ "$completed" -eq ${#invoices[@]} ] || { echo "FAIL: only $completed of ${#invoices[@]} invoices were checked to the end"; exit 1; }
[ $failures -eq 0 ]
