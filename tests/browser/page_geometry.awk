# Reads the word boxes of `pdftotext -bbox` and prints one "FAIL ..." line per fault of
# the printed layout: a word off the sheet, a word in the 1.5 cm margin (the content spilled
# past its 18 cm), two words drawn over each other, an amount or a key broken across lines
# ("1,355.6" over "7"). Also prints "ref_height=H", the height of
# the last word equal to ref_word (the legend's), which tells the scale the browser printed at.
#   awk -v ref_word=WORD -f page_geometry.awk BBOX
# Sizes are in PDF points (1/72 in).

function attr(line, name,    m) {
  if (match(line, name "=\"[-0-9.]+\"")) {
    m = substr(line, RSTART + length(name) + 2, RLENGTH - length(name) - 3)
    return m + 0
  }
  return -1
}

function report(kind, text) {
  faults[kind]++
  if (faults[kind] <= 8) print "FAIL " text
  else if (faults[kind] == 9) print "FAIL (more of the same left out: " kind ")"
}

# An amount or a product key broken by a line break ("1,355.6" over "7", "861217" over "00"):
# the two words put together make one, the upper one is not one by itself, and the lower one
# is on the very next line in the same type, under its left or right edge (rows of a table
# are further apart than the lines of one cell).
function split_number(i, j,    h, gap, joined, amount) {
  amount = "^[0-9][0-9]?[0-9]?(,[0-9][0-9][0-9])*\\.[0-9][0-9]$"
  joined = txt[i] txt[j]
  if (txt[j] !~ /^[0-9][0-9.,]*$/) return 0
  if (!((joined ~ amount && txt[i] !~ amount) || joined ~ /^[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]$/)) return 0
  h = y1[i] - y0[i]; gap = y0[j] - y1[i]
  if (gap < -1 || gap > 0.35 * h || (y1[j] - y0[j]) - h > 0.5 || h - (y1[j] - y0[j]) > 0.5) return 0
  return (x0[j] - x0[i] > -1.5 && x0[j] - x0[i] < 1.5) || (x1[j] - x1[i] > -1.5 && x1[j] - x1[i] < 1.5)
}

# Every pair of words of a page: broken numbers, and overlaps (more than a point across and
# a third of the lower word's height).
function check_overlaps(    i, j, dx, dy, h) {
  for (i = 1; i <= n; i++)
    for (j = 1; j <= n; j++) {
      if (i != j && split_number(i, j))
        report("split", sprintf("page %d: \"%s%s\" is broken across lines (\"%s\" over \"%s\")",
                                page, txt[i], txt[j], txt[i], txt[j]))
      if (j <= i) continue
      dx = (x1[i] < x1[j] ? x1[i] : x1[j]) - (x0[i] > x0[j] ? x0[i] : x0[j])
      if (dx <= 1) continue
      dy = (y1[i] < y1[j] ? y1[i] : y1[j]) - (y0[i] > y0[j] ? y0[i] : y0[j])
      h = (y1[i] - y0[i] < y1[j] - y0[j]) ? y1[i] - y0[i] : y1[j] - y0[j]
      if (dy > h / 3)
        report("overlap", sprintf("page %d: \"%s\" and \"%s\" are printed over each other (at x=%.0f, y=%.0f pt)",
                                  page, txt[i], txt[j], x0[j], y0[j]))
    }
}

BEGIN { margin = 72 * 1.5 / 2.54; page = 0; n = 0; ref_height = -1 }

/<page / {
  if (page > 0) check_overlaps()
  page++; n = 0
  width = attr($0, "width"); height = attr($0, "height")
  next
}

/<word / {
  w = $0
  sub(/^[^>]*>/, "", w); sub(/<\/word>.*$/, "", w)
  a = attr($0, "xMin"); b = attr($0, "yMin"); c = attr($0, "xMax"); d = attr($0, "yMax")
  words++
  if (a < 0 || b < 0 || c > width + 0.5 || d > height + 0.5)
    report("off-page", sprintf("page %d: \"%s\" lies outside the %.0fx%.0f pt sheet (x %.1f..%.1f, y %.1f..%.1f)",
                               page, w, width, height, a, c, b, d))
  else if (a < margin - 2 || c > width - margin + 2 || b < margin - 4 || d > height - margin + 4)
    report("margin", sprintf("page %d: \"%s\" is printed in the margin (x %.1f..%.1f of %.0f, y %.1f..%.1f of %.0f)",
                             page, w, a, c, width, b, d, height))
  n++; x0[n] = a; y0[n] = b; x1[n] = c; y1[n] = d; txt[n] = w
  if (w == ref_word) ref_height = d - b
}

END {
  if (page > 0) check_overlaps()
  if (words == 0) print "FAIL the PDF has no text at all"
  print "pages=" page
  print "ref_height=" ref_height
}
