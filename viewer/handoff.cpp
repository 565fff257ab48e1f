// The printable document carried inside an invoice, written out and rendered.
#include <libxml/tree.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "document/escape_tokens.h"
#include "document/image_refs.h"
#include "exec/command_line.h"
#include "exec/runner.h"
#include "platform/platform.h"
#include "util/diagnostics.h"
#include "util/latin1.h"
#include "viewer/run_state.h"
#include "viewer_settings.h"
#include "xml/xml_errors.h"

namespace {

struct XmlFreeDeleter {
    void operator()(void* block) const { xmlFree(block); }
};

// Every line feed becomes CR LF, as a text-mode write on Windows does, so the
// file's bytes are the same on every platform.
bool write_text_mode(FILE* file, const char* bytes, size_t count) {
    // Converted through a chunk so a document with a line every few bytes costs a few large writes.
    char chunk[64 * 1024];
    size_t used = 0;
    auto flush = [&] {
        const bool ok = std::fwrite(chunk, 1, used, file) == used;
        used = 0;
        return ok;
    };
    auto put = [&](const char* piece, size_t size) {
        while (size != 0) {
            if (used == sizeof chunk && !flush()) return false;
            const size_t taken = std::min(size, sizeof chunk - used);
            std::memcpy(chunk + used, piece, taken);
            used += taken;
            piece += taken;
            size -= taken;
        }
        return true;
    };
    for (const char* const end = bytes + count; bytes != end;) {
        const char* feed = static_cast<const char*>(std::memchr(bytes, '\n', static_cast<size_t>(end - bytes)));
        const char* const line_end = feed ? feed : end;
        if (!put(bytes, static_cast<size_t>(line_end - bytes))) return false;
        if (!feed) break;
        if (!put("\r\n", 2)) return false;
        bytes = feed + 1;
    }
    return flush();
}

// A document is a run of text nodes (a long one is cut into several), joined
// here straight into one buffer of the final size, `length` bytes (null when it
// cannot be had); other content is left to the library.
bool is_text_run(const xmlNode* element) {
    for (const xmlNode* child = element->children; child; child = child->next) {
        if (child->type != XML_TEXT_NODE && child->type != XML_CDATA_SECTION_NODE) return false;
    }
    return true;
}

xmlChar* join_text_run(const xmlNode* element, size_t& length) {
    size_t total = 0;
    for (const xmlNode* child = element->children; child; child = child->next) {
        if (child->content) total += std::strlen(reinterpret_cast<const char*>(child->content));
    }
    auto* joined = static_cast<xmlChar*>(xmlMalloc(total + 1));
    if (!joined) return nullptr;
    size_t at = 0;
    for (const xmlNode* child = element->children; child; child = child->next) {
        if (!child->content) continue;
        const size_t piece = std::strlen(reinterpret_cast<const char*>(child->content));
        std::memcpy(joined + at, child->content, piece);
        at += piece;
    }
    joined[at] = '\0';
    length = at;
    return joined;
}

// 0 when the whole document was written; the system error code (at least 1) otherwise.
int write_document(const Reporter& reporter, const std::string& path, const char* bytes, size_t count) {
    FILE* file = std::fopen(path.c_str(), "wb");
    bool written = file && write_text_mode(file, bytes, count);
    if (file && std::fclose(file) != 0) written = false;
    if (written) return 0;
    const unsigned long code = show_system_error(reporter);
    if (file) platform_remove_file(path.c_str());  // a cut document must not reach the renderer
    return code ? static_cast<int>(code) : 1;
}

}  // namespace

int hand_off_document(ViewerRun& run, xmlNodePtr element, int decode_tokens) {
    std::unique_ptr<xmlChar, XmlFreeDeleter> text;
    size_t length = 0;
    if (is_text_run(element)) {
        text.reset(join_text_run(element, length));
        if (!text) return report_xml_error(run.reporter());
    } else {
        text.reset(xmlNodeGetContent(element));
        if (!text) return report_xml_error(run.reporter());
        length = std::strlen(reinterpret_cast<const char*>(text.get()));
    }
    // Latin-1 never takes more bytes than UTF-8, so the text is converted where it lies.
    char* const latin1 = reinterpret_cast<char*>(text.get());
    const size_t m = utf8_to_latin1(text.get(), length, latin1);
    latin1[m] = '\0';

    ByteBufPtr localised(localise_image_refs(latin1, static_cast<int64_t>(m), image_lookup_of(run)));
    text.reset();  // the localised copy is all that is written from here on
    if (localised) {
        StrBufPtr decoded(decode_tokens ? decode_escape_tokens(localised.get()) : nullptr);
        const int failure =
            decoded ? write_document(run.reporter(), run.temp_doc_path, decoded->text, static_cast<size_t>(decoded->length))
                    : write_document(run.reporter(), run.temp_doc_path, reinterpret_cast<const char*>(localised->data),
                                     static_cast<size_t>(bytebuf_size(localised.get())));
        if (failure) return failure;
    }
    return start_renderer(run, run.temp_doc_path);
}

int start_renderer(ViewerRun& run, const std::string& document_name) {
    std::vector<CommandArgument> arguments = {as_name(document_name), as_name("-x=" + run.full_path)};
    for (int i = 1; i < run.arg_count; ++i) arguments.push_back(as_name(run.args[i]));
    const std::string command = command_line_from(arguments);
    const char* renderer = kViewerSettings.renderer_exe;
    platform_set_last_error(0);
    const bool started = platform_spawn_wait(renderer, renderer, command.c_str());
    if (!started) report_start_failure((std::string(renderer) + " " + command).c_str(), run.reporter());
    platform_remove_file(document_name.c_str());
    return started ? 0 : kRunCannotStart;
}
