#include "tools/quenda/doc_line.h"

namespace {

struct Name {
    std::string_view text;
    Directive directive;
};

constexpr Name kDirectives[] = {
    {"title", Directive::Title},
    {"section", Directive::Section},
    {"subsection", Directive::Subsection},
    {"field", Directive::Field},
    {"table", Directive::Table},
    {"row", Directive::Row},
    {"end", Directive::End},
    {"strong", Directive::Strong},
    {"image", Directive::Image},
    {"wrap", Directive::Wrap},
    {"qr", Directive::Qr},
    {"legend", Directive::Legend},
    {"note", Directive::Note},
    {"pagebreak", Directive::PageBreak},
};

// The marker that starts at `at`, or 0.
size_t marker_length_at(std::string_view text, size_t at) {
    if (text.compare(at, 2, "~D") == 0 || text.compare(at, 2, "~A") == 0) return 2;
    if (text.compare(at, 3, "~#D") == 0) return 3;
    return 0;
}

void add_text(RichText& out, std::string_view text) {
    if (!text.empty()) out.push_back(Piece{false, text});
}

}  // namespace

RichText split_images(std::string_view text) {
    RichText out;
    size_t copied = 0;
    for (size_t at = text.find('~'); at != std::string_view::npos; at = text.find('~', at)) {
        const size_t length = marker_length_at(text, at);
        if (length == 0) {
            ++at;
            continue;
        }
        const size_t open = text.find('"', at + length);
        const size_t close = open == std::string_view::npos ? open : text.find('"', open + 1);
        // Without a quoted name here no later marker can have one either.
        if (close == std::string_view::npos) break;
        add_text(out, text.substr(copied, at - copied));
        out.push_back(Piece{true, text.substr(open + 1, close - open - 1)});
        copied = at = close + 1;
    }
    add_text(out, text.substr(copied));
    return out;
}

DocLine parse_doc_line(std::string_view line) {
    DocLine parsed;
    parsed.whole = line;
    if (line.substr(0, 2) == "@@") {
        const size_t blank = line.find(' ', 2);
        const std::string_view name = line.substr(2, blank == std::string_view::npos ? blank : blank - 2);
        for (const Name& known : kDirectives) {
            if (known.text == name) parsed.directive = known.directive;
        }
        if (parsed.directive != Directive::Paragraph) {
            if (blank == std::string_view::npos) return parsed;
            std::string_view rest = line.substr(blank + 1);
            for (size_t tab; (tab = rest.find('\t')) != std::string_view::npos; rest.remove_prefix(tab + 1)) {
                parsed.raw_args.push_back(rest.substr(0, tab));
            }
            parsed.raw_args.push_back(rest);
            for (const std::string_view raw : parsed.raw_args) parsed.args.push_back(split_images(raw));
            return parsed;
        }
    }
    parsed.raw_args.push_back(line);
    parsed.args.push_back(split_images(line));
    return parsed;
}
