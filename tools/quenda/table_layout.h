#pragma once
// Column widths of the document's tables, measured on the first reading so that
// every table can be laid out fixed: it always fits the page, each column gets a
// share after what it holds rather than an even one, and no number is broken.
#include <cstddef>
#include <string>
#include <vector>

#include "tools/quenda/doc_line.h"

// Widths in hundredths of the cells' em, as text_width.h measures them.
struct ColumnSize {
    size_t head = 0;    // its header's longest word (capped)
    size_t word = 0;    // the longest word of its cells (capped)
    size_t number = 0;  // the longest number or key of its cells, never broken (capped)
    size_t text = 0;    // its longest cell (capped)
};

struct TableSize {
    std::vector<ColumnSize> columns;
    bool grouped = false;  // some row continues the one above it
};

// The tables of a document in their order, as its lines are read.
struct TableSurvey {
    std::vector<TableSize> tables;
    bool open = false;  // a @@row now belongs to the last table
};

void survey_line(TableSurvey& survey, const DocLine& line);
// A header that begins with ">": a right-aligned numeric column.
bool is_numeric_head(const RichText& head);
// A row whose first cell is empty or blank goes on from the row above it (a
// concept's taxes under the concept): the two are kept on one printed page.
bool continues_row(const DocLine& row);
struct TableLook {
    std::string columns;  // its <colgroup>, the shares adding up to the whole width
    bool small = false;   // its cells print smaller, to hold their words whole
};
TableLook look_of(const TableSize& size);
