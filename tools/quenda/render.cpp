#include "tools/quenda/render.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "platform/platform.h"
#include "tools/quenda/doc_line.h"
#include "tools/quenda/image_store.h"
#include "tools/quenda/line_reader.h"
#include "tools/quenda/page_writer.h"
#include "tools/quenda/table_layout.h"
#include "util/program_names.h"
#include "viewer_settings.h"

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

std::string file_name_of(const std::string& path) {
    const char* cuts = platform_dir_separator() == '\\' ? "/\\:" : "/";
    const size_t cut = path.find_last_of(cuts);
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// The text of a title's pieces, its images left out: the page's title in its head.
void append_title(std::string& title, const DocLine& line) {
    if (!line.args.empty()) {
        for (const Piece& piece : line.args[0]) {
            if (!piece.image) title.append(piece.text);
        }
    }
}

// First reading: every image the document names goes into the style, once, and
// its tables are measured.
bool first_reading(LineReader& reader, ImageStore& store, PageOut& out, TableSurvey& tables, std::string& title) {
    bool titled = false;
    for (std::string line; line_reader_next(reader, line);) {
        const DocLine parsed = parse_doc_line(line);
        survey_line(tables, parsed);
        for (const RichText& text : parsed.args) {
            for (const Piece& piece : text) {
                if (piece.image) image_store_resolve(store, piece.text, out);
            }
        }
        if (parsed.directive == Directive::Title && !titled) append_title(title, parsed);
        titled = titled || parsed.directive == Directive::Title;
    }
    return !reader.failed;
}

// Both readings of the document into `page`.
RenderOutcome write_page(FILE* document, FILE* page, const RenderJob& job) {
    PageOut out{page, {}, false};
    page_begin(out);
    ImageStore store;
    store.dir = job.program_dir;
    store.placeholder = kViewerSettings.placeholder_image;
    const int qr = image_store_resolve_only(store, document_stem(job.document_path) + ".bmp", "image/bmp", out);
    LineReader reader;
    line_reader_start(reader, document);
    std::string title;
    TableSurvey tables;
    if (!first_reading(reader, store, out, tables, title)) return RenderOutcome::DocumentUnreadable;
    if (title.empty()) title = file_name_of(job.invoice_path.empty() ? job.document_path : job.invoice_path);
    page_begin_body(out, title);

    if (std::fseek(document, 0, SEEK_SET) != 0) return RenderOutcome::DocumentUnreadable;
    line_reader_start(reader, document);
    PageWriter writer;
    writer.out = &out;
    writer.images = &store;
    writer.tables = &tables;
    writer.qr_image = qr;
    for (std::string line; line_reader_next(reader, line);) page_write_line(writer, parse_doc_line(line));
    if (reader.failed) return RenderOutcome::DocumentUnreadable;
    page_end(writer, job.extra_args);
    out_flush(out, true);
    return out.failed ? RenderOutcome::PageNotWritten : RenderOutcome::Written;
}

// A new file of this run's own beside the page, never an existing one.
FilePtr create_temp(const std::string& dir, std::string& temp_path) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_path = dir + platform_dir_separator() + "~Quenda-" + std::to_string(platform_process_id()) + "-" +
                    std::to_string(attempt) + ".part";
        if (FILE* file = platform_create_new_file(temp_path.c_str())) return FilePtr(file);
    }
    return nullptr;
}

}  // namespace

std::string document_stem(const std::string& document_path) {
    const std::string name = file_name_of(document_path);
    const size_t point = name.rfind('.');
    return point == std::string::npos || point == 0 ? name : name.substr(0, point);
}

std::string page_path_of(const RenderJob& job) {
    const char separator = platform_dir_separator();
    return job.program_dir + separator + kRenderedFolder + separator + document_stem(job.document_path) + ".html";
}

RenderOutcome render_page(const RenderJob& job) {
    // A named pipe or a device would hold the renderer at its first read.
    std::error_code error;
    if (std::filesystem::status(job.document_path, error).type() != std::filesystem::file_type::regular) {
        return RenderOutcome::DocumentUnreadable;
    }
    FilePtr document(std::fopen(job.document_path.c_str(), "rb"));
    if (!document) return RenderOutcome::DocumentUnreadable;

    const std::string page_path = page_path_of(job);
    const std::string dir = job.program_dir + platform_dir_separator() + kRenderedFolder;
    std::filesystem::create_directories(dir, error);
    std::string temp_path;
    FilePtr temp = create_temp(dir, temp_path);
    if (!temp) return RenderOutcome::PageNotWritten;
    const bool covered = platform_remove_on_stop(temp_path.c_str());
    RenderOutcome outcome = write_page(document.get(), temp.get(), job);
    if (std::fclose(temp.release()) != 0 && outcome == RenderOutcome::Written) outcome = RenderOutcome::PageNotWritten;
    if (outcome == RenderOutcome::Written && !platform_replace_file(temp_path.c_str(), page_path.c_str())) {
        outcome = RenderOutcome::PageNotWritten;
    }
    if (outcome != RenderOutcome::Written) platform_remove_file(temp_path.c_str());
    if (covered) platform_forget_on_stop(temp_path.c_str());
    return outcome;
}
