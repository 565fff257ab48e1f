#pragma once
// Column widths of the document's tables, measured on the first reading so that
// every table can be laid out fixed: it always fits the page, and each column
// gets a share after what it holds rather than an even one.
#include <cstddef>
#include <string>
#include <vector>

#include "tools/quenda/doc_line.h"

struct ColumnSize {
    size_t word = 0;  // its longest word, in characters (capped)
    size_t text = 0;  // its longest cell (capped)
};
using TableSize = std::vector<ColumnSize>;

// The tables of a document in their order, as its lines are read.
struct TableSurvey {
    std::vector<TableSize> tables;
    bool open = false;  // a @@row now belongs to the last table
};

void survey_line(TableSurvey& survey, const DocLine& line);
// A header that begins with ">": a right-aligned numeric column.
bool is_numeric_head(const RichText& head);
// The <colgroup> of a table, its shares adding up to the whole width.
std::string column_group(const TableSize& size);
