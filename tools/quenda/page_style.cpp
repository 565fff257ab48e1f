#include "tools/quenda/page_style.h"

// The content is 18 cm wide at most: A4 (21 cm) less the margins of 1.5 cm, which
// leaves Letter (21.59 cm) a little room. Long values wrap anywhere rather than
// widen the page; table headers repeat on every printed page and no row is split.
// The faces are ones Debian and Windows both have, whose widths the table layout
// counts on (text_width.cpp): DejaVu Sans, then Arial, which is narrower.
const char kPageStyle[] =
    "@page{size:auto;margin:1.5cm}\n"
    "*{box-sizing:border-box}\n"
    "html{-webkit-print-color-adjust:exact;print-color-adjust:exact}\n"
    "body{margin:0;color:#1d2530;background:#fff;font:10pt/1.4 \"DejaVu Sans\",Arial,sans-serif}\n"
    ".page{max-width:18cm;margin:0 auto;overflow-wrap:anywhere}\n"
    "@media screen{body{background:#e9edf2}.page{max-width:21cm;margin:1.5em auto;padding:1.5cm;background:#fff;"
    "box-shadow:0 1px 4px rgba(0,0,0,.25)}}\n"
    "h1.title{font-size:16pt;margin:0 0 .5em;padding-bottom:.2em;color:#1f3a5f;border-bottom:2px solid #1f3a5f}\n"
    "h2,h3{break-after:avoid;page-break-after:avoid}\n"
    "section.box{border:1px solid #c5cdd8;border-radius:4px;margin:0 0 .7em;padding:0 .7em .5em}\n"
    "section.box>h2{font-size:10.5pt;margin:0 -.7em .5em;padding:.3em .7em;color:#fff;background:#1f3a5f;"
    "border-radius:3px 3px 0 0}\n"
    "h3{font-size:10pt;margin:.6em 0 .3em;color:#1f3a5f}\n"
    "p{margin:.2em 0}\n"
    "p.line{white-space:pre-wrap;min-height:1.4em}\n"
    "p.strong{font-weight:700}\n"
    "p.note{margin:.4em 0;padding:.3em .6em;border-left:3px solid #b7791f;background:#fdf6e7}\n"
    ".fields{display:grid;grid-template-columns:repeat(2,minmax(0,1fr));gap:.3em 1.2em;margin:.3em 0}\n"
    ".field{min-width:0;break-inside:avoid;page-break-inside:avoid}\n"
    ".label{font-size:7.5pt;letter-spacing:.03em;text-transform:uppercase;color:#5a6675}\n"
    "table.grid{width:100%;table-layout:fixed;border-collapse:collapse;margin:.4em 0;font-size:9pt}\n"
    "table.grid.small{font-size:8pt}\n"
    "table.grid thead{display:table-header-group}\n"
    "table.grid tr{break-inside:avoid;page-break-inside:avoid}\n"
    "table.grid th{text-align:left;font-size:7.5pt;font-weight:600;background:#e3e8ef;border-bottom:1.5px solid "
    "#1f3a5f}\n"
    // Columns are measured to hold their words and numbers whole; breaking anywhere
    // is only what keeps a longer value inside its cell.
    "table.grid th,table.grid td{padding:.25em .3em;vertical-align:top;overflow-wrap:anywhere}\n"
    "table.grid td{border-bottom:1px solid #dde2e8;hyphens:auto}\n"
    "table.grid:not(.grouped) tbody tr:nth-child(even),table.grouped tbody:nth-of-type(even) tr{background:#f4f6f9}\n"
    "table.grouped tbody{break-inside:avoid;page-break-inside:avoid;border-bottom:1px solid #dde2e8}\n"
    "table.grouped td{border-bottom:0}\n"
    "table.grid .num{text-align:right;font-variant-numeric:tabular-nums;hyphens:manual}\n"
    ".img{display:inline-block;max-width:100%;max-height:8em;vertical-align:middle}\n"
    ".logo{margin:.3em 0}\n"
    ".logo .img{max-height:2.5cm}\n"
    ".missing{display:inline-block;padding:0 .3em;font-size:8pt;color:#a00;border:1px dashed #a00}\n"
    ".wrap{margin:.4em 0}\n"
    ".mono{font-family:Consolas,\"DejaVu Sans Mono\",\"Courier New\",monospace;font-size:7.5pt;line-height:1.3;"
    "white-space:normal;word-break:break-all;overflow-wrap:anywhere}\n"
    ".qr{display:flex;gap:1em;align-items:flex-start;margin:.5em 0;break-inside:avoid;page-break-inside:avoid}\n"
    ".qr .img{flex:none;width:3cm;height:3cm;max-width:none;max-height:none;image-rendering:pixelated}\n"
    ".qr-text{flex:1;min-width:0}\n"
    ".qr-text a{font-weight:600;color:#1f3a5f}\n"
    ".pagebreak{break-before:page;page-break-before:always}\n"
    // The legend stays with the end of the content rather than on a page of its own.
    "footer.legend{break-before:avoid;page-break-before:avoid;margin-top:.8em;padding-top:.4em;"
    "border-top:1px solid #c5cdd8;font-size:8pt;text-align:center;"
    "color:#4a5563}\n"
    ".params{margin-top:.6em;font-size:7.5pt;color:#7a8594}\n";
