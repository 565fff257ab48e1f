#include "tools/quenda/table_layout.h"

#include <algorithm>

namespace {

constexpr size_t kHeadWordCap = 9;   // a long header word may wrap rather than widen its column
constexpr size_t kCellWordCap = 14;
constexpr size_t kTextCap = 60;      // past this a cell wraps anyway
constexpr size_t kImageWidth = 10;   // what an image counts for, in characters
constexpr size_t kLineWidth = 100;   // characters of a table's line across the page, about
constexpr size_t kNarrowest = 3;

ColumnSize size_of(const RichText& text, size_t word_cap) {
    ColumnSize size;
    size_t run = 0;
    for (const Piece& piece : text) {
        if (piece.image) {
            size.text += kImageWidth;
            run = 0;
            continue;
        }
        size.text += piece.text.size();
        for (const char c : piece.text) {
            run = c == ' ' || c == '\t' ? 0 : run + 1;
            size.word = std::max(size.word, run);
        }
    }
    size.word = std::min(size.word, word_cap);
    size.text = std::min(size.text, kTextCap);
    return size;
}

void widen(ColumnSize& column, const ColumnSize& by) {
    column.word = std::max(column.word, by.word);
    column.text = std::max(column.text, by.text);
}

}  // namespace

void survey_line(TableSurvey& survey, const DocLine& line) {
    switch (line.directive) {
        case Directive::Table: {
            TableSize size;
            for (const RichText& head : line.args) {
                RichText shown = head;
                if (is_numeric_head(head)) shown[0].text.remove_prefix(1);
                size.push_back(ColumnSize{size_of(shown, kHeadWordCap).word, 0});
            }
            survey.tables.push_back(size);
            survey.open = true;
            break;
        }
        case Directive::Row:
            if (!survey.open) break;
            for (size_t i = 0; i < survey.tables.back().size() && i < line.args.size(); ++i) {
                widen(survey.tables.back()[i], size_of(line.args[i], kCellWordCap));
            }
            break;
        case Directive::Section:
        case Directive::End: survey.open = false; break;
        default: break;
    }
}

bool is_numeric_head(const RichText& head) { return !head.empty() && !head[0].image && head[0].text[0] == '>'; }

// As a browser lays out a table by its content: each column gets its longest word,
// and what the line has left goes to the columns whose text is longer than that.
std::string column_group(const TableSize& size) {
    if (size.empty()) return std::string();
    std::vector<size_t> least, most;
    size_t least_total = 0, most_total = 0;
    for (const ColumnSize& column : size) {
        // One character more for the cell's padding.
        least.push_back(std::max(kNarrowest, column.word) + 1);
        most.push_back(std::max(least.back(), column.text + 1));
        least_total += least.back();
        most_total += most.back();
    }
    std::vector<size_t> widths = most;
    if (most_total > kLineWidth && least_total < kLineWidth) {
        for (size_t i = 0; i < widths.size(); ++i) {
            widths[i] = least[i] * 100 + (most[i] - least[i]) * 100 * (kLineWidth - least_total) / (most_total - least_total);
        }
    } else if (most_total > kLineWidth) {
        widths = least;
    }
    size_t total = 0;
    for (const size_t width : widths) total += width;
    std::string group = "<colgroup>";
    for (const size_t width : widths) {
        const size_t tenths = width * 1000 / total;  // of a percent
        group += "<col style=\"width:" + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + "%\">";
    }
    return group + "</colgroup>";
}
