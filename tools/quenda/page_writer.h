#pragma once
// The page's body, written line by line as the document is read a second time:
// the open section, field grid and table are the only state kept.
#include <string>
#include <string_view>
#include <vector>

#include "tools/quenda/doc_line.h"
#include "tools/quenda/image_store.h"
#include "tools/quenda/page_out.h"
#include "tools/quenda/table_layout.h"

struct PageWriter {
    PageOut* out = nullptr;
    const ImageStore* images = nullptr;
    const TableSurvey* tables = nullptr;  // the widths of the document's tables
    int qr_image = kNoImage;              // the run's QR bitmap
    bool in_section = false;
    bool in_fields = false;
    bool table_open = false;     // a @@table that no @@end has closed
    bool table_written = false;  // its element is open in the page
    bool grouped = false;        // a row and those that continue it go in a <tbody> of their own
    size_t body_rows = 0;        // rows in the open <tbody>
    std::vector<bool> numeric;   // its columns, true where right-aligned
    std::string table_start;     // its <table> tag and <colgroup>, for rows that go on after other lines
    size_t tables_seen = 0;
    bool qr_shown = false;
    std::vector<std::string> legends;  // their lines, written in the footer at the end
};

// The start of the page up to its style sheet, which the image rules then continue.
void page_begin(PageOut& out);
// Ends the style sheet and the head, and opens the body.
void page_begin_body(PageOut& out, std::string_view title_latin1);
void page_write_line(PageWriter& page, const DocLine& line);
// Closes what is open, shows the QR code when no @@qr did, then the legends and
// the further arguments of the command line.
void page_end(PageWriter& page, const std::vector<std::string>& extra_args);
