#pragma once
// One line of a document, taken apart: a directive with its arguments, or a
// plain paragraph. Arguments are text with the images their markers name.
#include <string_view>
#include <vector>

enum class Directive {
    Paragraph,  // a plain line, an unknown directive, or one that cannot apply
    Title,
    Section,
    Subsection,
    Field,
    Table,
    Row,
    End,
    Strong,
    Image,
    Wrap,
    Qr,
    Legend,
    Note,
    PageBreak,
};

// A run of text, or an image reference (the quoted name after ~D, ~A or ~#D).
struct Piece {
    bool image;
    std::string_view text;
};
using RichText = std::vector<Piece>;

// Views into the line it was parsed from.
struct DocLine {
    Directive directive = Directive::Paragraph;
    std::string_view whole;      // the line as written
    std::vector<std::string_view> raw_args;  // as written; a paragraph has one, its whole line
    std::vector<RichText> args;              // the same with their images
};

// A marker, then the next double quote of the text, then the closing one: what
// image localisation reads as a reference, so that both agree on every name.
RichText split_images(std::string_view text);
// `line` without its line end.
DocLine parse_doc_line(std::string_view line);
