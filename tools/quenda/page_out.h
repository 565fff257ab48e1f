#pragma once
// The page being written: text gathered in a buffer and written out in large
// pieces, with the first failure remembered rather than checked at every call.
#include <cstdio>
#include <string>
#include <string_view>

struct PageOut {
    FILE* file = nullptr;  // owned by the caller
    std::string buffer;
    bool failed = false;
};

void out_raw(PageOut& out, std::string_view html);
// Document text, escaped (see append_html_text).
void out_text(PageOut& out, std::string_view latin1);
// Writes what is buffered once it is large; `force` writes it all and flushes the file.
void out_flush(PageOut& out, bool force = false);
