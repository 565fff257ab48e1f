#include "tools/quenda/page_writer.h"

#include "tools/quenda/page_style.h"

namespace {

void write_rich(PageWriter& page, const RichText& text) {
    for (const Piece& piece : text) {
        if (!piece.image) {
            out_text(*page.out, piece.text);
            continue;
        }
        const int image = image_store_find(*page.images, piece.text);
        // Short, since a document may hold a great many references to one image.
        out_raw(*page.out, image == kNoImage ? std::string("<span class=\"missing\">[imagen no disponible]</span>")
                                             : "<span class=\"img i" + std::to_string(image) + "\"></span>");
    }
}

const RichText& arg(const DocLine& line, size_t index) {
    static const RichText kEmpty;
    return index < line.args.size() ? line.args[index] : kEmpty;
}

// `text` between an opening and a closing tag.
void write_element(PageWriter& page, const char* open, const RichText& text, const char* close) {
    out_raw(*page.out, open);
    write_rich(page, text);
    out_raw(*page.out, close);
}

void close_table_element(PageWriter& page) {
    if (page.table_written) out_raw(*page.out, "</tbody></table>\n");
    page.table_written = false;
}

void close_table(PageWriter& page) {
    close_table_element(page);
    page.table_open = false;
}

void close_fields(PageWriter& page) {
    if (page.in_fields) out_raw(*page.out, "</div>\n");
    page.in_fields = false;
}

void close_section(PageWriter& page) {
    close_table(page);
    close_fields(page);
    if (page.in_section) out_raw(*page.out, "</section>\n");
    page.in_section = false;
}

void open_table(PageWriter& page, const DocLine& line) {
    close_table(page);
    page.table_open = page.table_written = true;
    page.numeric.clear();
    page.body_rows = 0;
    const size_t number = page.tables_seen++;
    const bool measured = page.tables && number < page.tables->tables.size();
    const TableSize* size = measured ? &page.tables->tables[number] : nullptr;
    page.grouped = size && size->grouped;
    const TableLook look = size ? look_of(*size) : TableLook{};
    page.table_start = std::string("<table class=\"grid") + (page.grouped ? " grouped" : "") +
                       (look.small ? " small" : "") + "\">" + look.columns;
    out_raw(*page.out, page.table_start + "<thead><tr>");
    for (const RichText& head : line.args) {
        RichText shown = head;
        const bool numeric = is_numeric_head(head);
        if (numeric) shown[0].text.remove_prefix(1);
        page.numeric.push_back(numeric);
        write_element(page, numeric ? "<th class=\"num\">" : "<th>", shown, "</th>");
    }
    out_raw(*page.out, "</tr></thead><tbody>\n");
}

// In a row that goes on from the one above (a concept's tax), a text cell spans the
// empty cells after it, so that its line is not squeezed into one column.
void write_cells(PageWriter& page, const DocLine& line) {
    const bool spans = page.grouped && continues_row(line);
    out_raw(*page.out, "<tr>");
    for (size_t i = 0, span = 1; i < page.numeric.size(); i += span) {
        span = 1;
        if (spans && !page.numeric[i] && !arg(line, i).empty()) {
            while (i + span < page.numeric.size() && arg(line, i + span).empty()) ++span;
        }
        const std::string open = span > 1 ? "<td colspan=\"" + std::to_string(span) + "\">"
                                 : page.numeric[i] ? "<td class=\"num\">"
                                                   : "<td>";
        write_element(page, open.c_str(), arg(line, i), "</td>");
    }
    out_raw(*page.out, "</tr>\n");
}

void write_row(PageWriter& page, const DocLine& line) {
    // Rows that follow other lines go on in a table of their own, without the header
    // again: repeating it could make a short document a huge page.
    if (!page.table_written) {
        out_raw(*page.out, page.table_start + "<tbody>\n");
        page.body_rows = 0;
    }
    page.table_written = true;
    if (page.grouped && page.body_rows > 0 && !continues_row(line)) {
        out_raw(*page.out, "</tbody><tbody>\n");
        page.body_rows = 0;
    }
    ++page.body_rows;
    write_cells(page, line);
}

// Only a web address becomes a link: nothing else a page could be made to open.
bool is_web_url(std::string_view url) {
    const auto lower = [](unsigned char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
    };
    const auto starts = [&](std::string_view scheme) {
        if (url.size() <= scheme.size()) return false;
        for (size_t i = 0; i < scheme.size(); ++i) {
            if (lower(static_cast<unsigned char>(url[i])) != scheme[i]) return false;
        }
        return true;
    };
    if (!starts("http://") && !starts("https://")) return false;
    for (const unsigned char c : url) {
        if (c <= 0x20 || (c >= 0x7F && c < 0xA0)) return false;
    }
    return true;
}

// The QR code, with its verification text when a @@qr line gives one: a link only
// to a web address, taken as written.
void write_qr(PageWriter& page, const DocLine* line) {
    const std::string_view url = line && !line->raw_args.empty() ? line->raw_args[0] : std::string_view();
    if (page.qr_image == kNoImage && url.empty()) return;
    out_raw(*page.out, "<div class=\"qr\">");
    if (page.qr_image != kNoImage) {
        out_raw(*page.out, "<span class=\"img i" + std::to_string(page.qr_image) +
                               "\" role=\"img\" aria-label=\"C\xc3\xb3"
                               "digo QR\"></span>");
    }
    if (!url.empty()) {
        out_raw(*page.out, "<div class=\"qr-text\">");
        if (is_web_url(url)) {
            out_raw(*page.out, "<p><a href=\"");
            out_text(*page.out, url);
            out_raw(*page.out, "\" rel=\"noopener noreferrer\">Verificar en el SAT</a></p>");
        }
        write_element(page, "<div class=\"mono\">", line->args[0], "</div></div>");
    }
    out_raw(*page.out, "</div>\n");
}

void write_field(PageWriter& page, const DocLine& line) {
    if (!page.in_fields) out_raw(*page.out, "<div class=\"fields\">\n");
    page.in_fields = true;
    write_element(page, "<div class=\"field\"><div class=\"label\">", arg(line, 0), "</div>");
    write_element(page, "<div class=\"value\">", arg(line, 1), "</div></div>\n");
}

void write_wrap(PageWriter& page, const DocLine& line) {
    write_element(page, "<div class=\"wrap\"><div class=\"label\">", arg(line, 0), "</div>");
    write_element(page, "<div class=\"mono\">", arg(line, 1), "</div></div>\n");
}

// A line shown as written: a plain line, or a row with no table to go in.
void write_paragraph(PageWriter& page, const DocLine& line) {
    out_raw(*page.out, "<p class=\"line\">");
    for (size_t i = 0; i < line.args.size(); ++i) {
        if (i > 0) out_raw(*page.out, "\t");
        write_rich(page, line.args[i]);
    }
    out_raw(*page.out, "</p>\n");
}

void write_section(PageWriter& page, const DocLine& line) {
    close_section(page);
    page.in_section = true;
    write_element(page, "<section class=\"box\"><h2>", arg(line, 0), "</h2>\n");
}

}  // namespace

void page_begin(PageOut& out) {
    out_raw(out,
            "<!DOCTYPE html>\n<html lang=\"es\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; img-src data:; "
            "style-src 'unsafe-inline'\">\n"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<style>\n");
    out_raw(out, kPageStyle);
}

void page_begin_body(PageOut& out, std::string_view title_latin1) {
    out_raw(out, "</style>\n<title>");
    out_text(out, title_latin1);
    out_raw(out, "</title>\n</head>\n<body>\n<main class=\"page\">\n");
}

void page_write_line(PageWriter& page, const DocLine& line) {
    if (line.directive != Directive::Row) close_table_element(page);
    if (line.directive != Directive::Field) close_fields(page);
    switch (line.directive) {
        case Directive::Title: write_element(page, "<h1 class=\"title\">", arg(line, 0), "</h1>\n"); break;
        case Directive::Section: write_section(page, line); break;
        case Directive::Subsection: write_element(page, "<h3>", arg(line, 0), "</h3>\n"); break;
        case Directive::Field: write_field(page, line); break;
        case Directive::Table: open_table(page, line); break;
        case Directive::Row: page.table_open ? write_row(page, line) : write_paragraph(page, line); break;
        case Directive::End: close_table(page); break;
        case Directive::Strong: write_element(page, "<p class=\"strong\">", arg(line, 0), "</p>\n"); break;
        case Directive::Image: write_element(page, "<div class=\"logo\">", arg(line, 0), "</div>\n"); break;
        case Directive::Wrap: write_wrap(page, line); break;
        case Directive::Qr:
            write_qr(page, &line);
            page.qr_shown = true;
            break;
        case Directive::Legend: page.legends.emplace_back(line.whole); break;
        case Directive::Note: write_element(page, "<p class=\"note\">", arg(line, 0), "</p>\n"); break;
        case Directive::PageBreak: out_raw(*page.out, "<div class=\"pagebreak\"></div>\n"); break;
        case Directive::Paragraph: write_paragraph(page, line); break;
    }
}

void page_end(PageWriter& page, const std::vector<std::string>& extra_args) {
    close_section(page);
    if (!page.qr_shown) write_qr(page, nullptr);
    if (!page.legends.empty()) {
        out_raw(*page.out, "<footer class=\"legend\">\n");
        for (const std::string& legend : page.legends) {
            const DocLine line = parse_doc_line(legend);
            write_element(page, "<p>", arg(line, 0), "</p>\n");
        }
        out_raw(*page.out, "</footer>\n");
    }
    if (!extra_args.empty()) {
        out_raw(*page.out, "<p class=\"params\">Par\xc3\xa1metros:");
        for (const std::string& extra : extra_args) {
            out_raw(*page.out, " ");
            out_text(*page.out, extra);
        }
        out_raw(*page.out, "</p>\n");
    }
    out_raw(*page.out, "</main>\n</body>\n</html>\n");
}
