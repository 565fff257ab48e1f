#pragma once
// Document text (Latin-1) as HTML text (UTF-8). Every value of a document goes
// through here: nothing in a document is ever markup.
#include <string>
#include <string_view>

// Appends `latin1` escaped for HTML text and attribute values alike (& < > " ').
// Control characters other than TAB become blanks.
void append_html_text(std::string& out, std::string_view latin1);
std::string html_text(std::string_view latin1);

// Appends the Base64 form of `bytes` (RFC 4648, with padding).
void append_base64(std::string& out, std::string_view bytes);
