#include "tools/quenda/page_out.h"

#include "tools/quenda/html_text.h"

namespace {

constexpr size_t kFlushAt = 1 << 16;

}  // namespace

void out_raw(PageOut& out, std::string_view html) {
    out.buffer.append(html);
    out_flush(out);
}

void out_text(PageOut& out, std::string_view latin1) {
    append_html_text(out.buffer, latin1);
    out_flush(out);
}

void out_flush(PageOut& out, bool force) {
    if (out.buffer.size() < kFlushAt && !force) return;
    if (!out.failed && !out.buffer.empty() &&
        std::fwrite(out.buffer.data(), 1, out.buffer.size(), out.file) != out.buffer.size()) {
        out.failed = true;
    }
    out.buffer.clear();
    if (force && !out.failed && std::fflush(out.file) != 0) out.failed = true;
}
