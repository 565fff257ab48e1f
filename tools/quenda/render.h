#pragma once
// A document in, one self-contained page out: rendered/<document stem>.html in
// the program's folder, written to a file of its own and moved into place.
#include <string>
#include <vector>

struct RenderJob {
    std::string document_path;
    std::string invoice_path;  // the -x= argument; may be empty
    std::vector<std::string> extra_args;
    std::string program_dir;  // where images are read and the page is written
};

enum class RenderOutcome { Written, DocumentUnreadable, PageNotWritten };

// The document's file name without its extension: it names the page and the QR bitmap.
std::string document_stem(const std::string& document_path);
std::string page_path_of(const RenderJob& job);
RenderOutcome render_page(const RenderJob& job);
