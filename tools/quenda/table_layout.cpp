#include "tools/quenda/table_layout.h"

#include <algorithm>

#include "tools/quenda/text_width.h"

namespace {

// A table is 18 cm less its section's border and padding: 494 pt, 54.97 em of 9 pt.
constexpr size_t kLineWidth = 5460;   // a little short of that, for the rounding
constexpr size_t kCellPadding = 62;   // .3 em a side, and a little
constexpr size_t kHeadPadding = 52;   // the same of the header's 7.5 pt
constexpr size_t kFullSize = 9;       // the cells' points
constexpr size_t kSmallSize = 8;      // when their words do not fit at 9
constexpr size_t kWordCap = 1000;     // a word is kept whole up to about 16 letters
constexpr size_t kNumberCap = 1600;   // 25 digits; longer ones wrap too
constexpr size_t kTextCap = 3600;     // past this a cell wraps anyway
constexpr size_t kImageWidth = 640;   // what an image counts for
constexpr size_t kNarrowest = 200;

// A run of characters between blanks, as it is measured.
struct Word {
    size_t width = 0;
    bool number = true;  // nothing but digits and the signs of numbers so far
    bool digit = false;
};

bool is_number_sign(unsigned char c) {
    return (c >= '0' && c <= '9') || c == '.' || c == ',' || c == '-' || c == '+' || c == '/' || c == '%' ||
           c == '$' || c == '(' || c == ')';
}

// "2,000.00" or "86121700" is a number: its column must hold it whole. A word
// longer than kWordCap (an identifier, an address) wraps anyway and asks for no room.
void end_word(ColumnSize& size, Word& word) {
    if (word.number && word.digit) size.number = std::max(size.number, word.width);
    if (word.width <= kWordCap) size.word = std::max(size.word, word.width);
    word = Word{};
}

ColumnSize size_of(const RichText& text, Face face) {
    ColumnSize size;
    Word word;
    for (const Piece& piece : text) {
        if (piece.image) {
            end_word(size, word);
            size.text += kImageWidth;
            continue;
        }
        for (const char c : piece.text) {
            const unsigned char u = static_cast<unsigned char>(c);
            const size_t width = char_width(u, face);
            size.text = std::min(size.text + width, kTextCap);
            if (u == ' ' || u == '\t') {
                end_word(size, word);
                continue;
            }
            word.width = std::min(word.width + width, kNumberCap);
            word.number = word.number && is_number_sign(u);
            word.digit = word.digit || (u >= '0' && u <= '9');
        }
    }
    end_word(size, word);
    size.text = std::min(size.text, kTextCap);
    return size;
}

void widen(ColumnSize& column, const ColumnSize& by) {
    column.word = std::max(column.word, by.word);
    column.number = std::max(column.number, by.number);
    column.text = std::max(column.text, by.text);
}

void survey_table(TableSurvey& survey, const DocLine& line) {
    TableSize size;
    for (const RichText& head : line.args) {
        RichText shown = head;
        if (is_numeric_head(head)) shown[0].text.remove_prefix(1);
        const ColumnSize measured = size_of(shown, Face::Head);
        ColumnSize column;
        column.head = std::max(measured.word, measured.number);
        size.columns.push_back(column);
    }
    survey.tables.push_back(size);
    survey.open = true;
}

size_t sum(const std::vector<size_t>& widths) {
    size_t total = 0;
    for (const size_t width : widths) total += width;
    return total;
}

// What each column needs: `keep` its numbers whole, `least` its words whole as
// well, `most` its longest cell on one line; with the cells at `points`.
struct Needs {
    std::vector<size_t> keep, least, most;
};

Needs needs_of(const TableSize& size, size_t points) {
    const auto cell = [points](size_t width) { return ((width + kCellPadding) * points + kFullSize - 1) / kFullSize; };
    Needs needs;
    for (const ColumnSize& column : size.columns) {
        needs.keep.push_back(cell(std::max(kNarrowest, column.number)));
        needs.least.push_back(std::max({needs.keep.back(), cell(column.word), column.head + kHeadPadding}));
        needs.most.push_back(std::max(needs.least.back(), cell(column.text)));
    }
    return needs;
}

// From `from` toward `to`, each column by its share of what the line has left.
std::vector<size_t> grow(const std::vector<size_t>& from, const std::vector<size_t>& to) {
    const size_t base = sum(from), full = sum(to);
    std::vector<size_t> widths = from;
    if (full <= base || base >= kLineWidth) return widths;
    const size_t room = std::min(kLineWidth - base, full - base);
    for (size_t i = 0; i < widths.size(); ++i) widths[i] += (to[i] - from[i]) * room / (full - base);
    return widths;
}

}  // namespace

void survey_line(TableSurvey& survey, const DocLine& line) {
    switch (line.directive) {
        case Directive::Table: survey_table(survey, line); break;
        case Directive::Row: {
            if (!survey.open) break;
            TableSize& table = survey.tables.back();
            table.grouped = table.grouped || continues_row(line);
            for (size_t i = 0; i < table.columns.size() && i < line.args.size(); ++i) {
                widen(table.columns[i], size_of(line.args[i], Face::Cell));
            }
            break;
        }
        case Directive::Section:
        case Directive::End: survey.open = false; break;
        default: break;
    }
}

bool is_numeric_head(const RichText& head) { return !head.empty() && !head[0].image && head[0].text[0] == '>'; }

bool continues_row(const DocLine& row) {
    if (row.raw_args.empty()) return true;
    return row.raw_args[0].find_first_not_of(" \t") == std::string_view::npos;
}

// As a browser lays out a table by its content: each column gets its longest word
// (and no less than its longest number), and what the line has left goes to the
// columns whose text is longer than that. Words that do not fit at 9 pt get the
// cells' 8 pt; when they do not fit even so, the numbers are kept whole and the
// words wrap.
TableLook look_of(const TableSize& size) {
    TableLook look;
    if (size.columns.empty()) return look;
    Needs needs = needs_of(size, kFullSize);
    look.small = sum(needs.least) > kLineWidth;
    if (look.small) needs = needs_of(size, kSmallSize);
    const std::vector<size_t> widths =
        sum(needs.least) <= kLineWidth ? grow(needs.least, needs.most) : grow(needs.keep, needs.least);
    const size_t total = sum(widths);
    look.columns = "<colgroup>";
    for (const size_t width : widths) {
        const size_t tenths = width * 1000 / total;  // of a percent
        look.columns +=
            "<col style=\"width:" + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + "%\">";
    }
    look.columns += "</colgroup>";
    return look;
}
