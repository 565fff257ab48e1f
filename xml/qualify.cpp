#include "xml/qualify.h"

#include <cstring>
#include <string>

#include "util/kvlist.h"
#include "xml/namespaces.h"

namespace {

constexpr const char* kDefaultPrefix = kDefaultNsPrefix;

bool step_is(const char* start, const char* end, const char* word) {
    const size_t n = std::strlen(word);
    if (static_cast<size_t>(end - start) != n) return false;
    return ascii_casecmp(std::string(start, n).c_str(), word) == 0;
}

int append_joined(StrBuf** result, const char* bytes, size_t count) {
    const StrBuf* r = *result;
    if (r && r->length > 0 && r->text[r->length - 1] != '/' && !strbuf_append_bytes(result, "/", 1)) return 0;
    return strbuf_append_bytes(result, bytes, static_cast<int64_t>(count));
}

// A step's prefix: a numbered one expanded, its own kept, or the default one
// added; false when the expansion's block cannot be had.
bool qualified_name(const char* start, const char* end, int default_ns_count, std::string& name) {
    if (std::memchr(start, ':', static_cast<size_t>(end - start))) {
        StrBufPtr step(strbuf_from_range(start, end - 1));
        StrBufPtr expanded(step ? expand_numbered_prefix(step.get()) : nullptr);
        if (!expanded) return false;
        name.assign(expanded->text, static_cast<size_t>(expanded->length));
        return true;
    }
    name = default_ns_count > 0 ? std::string(kDefaultPrefix) + ":" + std::string(start, end) : std::string(start, end);
    return true;
}

StrBuf* qualify_range(const char* begin, const char* end, int default_ns_count) {
    StrBuf* result = strbuf_new(1);
    if (!result || !result->text) {
        strbuf_free(result);
        return nullptr;
    }
    const char* cursor = begin;
    for (bool last = false; !last;) {
        const size_t rest = static_cast<size_t>(end - cursor);
        const char* slash = static_cast<const char*>(std::memchr(cursor, '/', rest));
        const char* bracket = static_cast<const char*>(std::memchr(cursor, '[', rest));
        int appended = 1;
        if (slash && (!bracket || slash < bracket)) {
            appended = qualify_step(cursor, slash, default_ns_count, &result);
            cursor = slash + 1;
        } else if (slash) {
            appended = qualify_step_with_predicate(cursor, bracket, slash, end, default_ns_count, &result);
            cursor = slash + 1;
        } else {
            if (bracket) appended = qualify_step_with_predicate(cursor, bracket, end, end, default_ns_count, &result);
            else if (cursor < end) appended = qualify_step(cursor, end, default_ns_count, &result);
            last = true;
        }
        // A step left out would make another path, one that may find something else.
        if (!appended) {
            strbuf_free(result);
            return nullptr;
        }
    }
    return result;
}

}  // namespace

int qualify_step(const char* start, const char* end, int default_ns_count, StrBuf** result) {
    if (start == end) return strbuf_append_bytes(result, "/", 1);
    if (step_is(start, end, "*") || step_is(start, end, ".") || step_is(start, end, "..") ||
        step_is(start, end, "text()") || *start == '@') {
        return append_joined(result, start, static_cast<size_t>(end - start));
    }
    std::string piece;
    return qualified_name(start, end, default_ns_count, piece) && append_joined(result, piece.data(), piece.size());
}

int qualify_step_with_predicate(const char* start, const char* bracket, const char* end, const char* expression_end,
                                int default_ns_count, StrBuf** result) {
    if (step_is(start, bracket, "*") || step_is(start, bracket, ".") || step_is(start, bracket, "..")) {
        // Copied as written, with the "/" that ends the step when there is one.
        const char* stop = end < expression_end ? end + 1 : end;
        return append_joined(result, start, static_cast<size_t>(stop - start));
    }
    // The predicate runs to the step's last character; a step whose "[" is its
    // last character (a "/" right after it) has an empty one.
    const ptrdiff_t predicate_length = end - bracket - 2;
    std::string piece;
    if (!qualified_name(start, bracket, default_ns_count, piece)) return 0;
    piece += '[';
    if (predicate_length > 0) piece.append(bracket + 1, static_cast<size_t>(predicate_length));
    piece += ']';
    return append_joined(result, piece.data(), piece.size());
}

StrBuf* expand_numbered_prefix(const StrBuf* step) {
    if (!step) return nullptr;
    const char* text = strbuf_text(step);
    const char* colon = static_cast<const char*>(std::memchr(text, ':', static_cast<size_t>(step->length)));
    if (colon && text[0] == '#') {
        const std::string number(text + 1, colon);
        if (text_is_numeric(number.c_str())) {
            std::string expanded = std::string(kDefaultPrefix) + "_" + number;
            expanded.append(colon, static_cast<size_t>(text + step->length - colon));
            return strbuf_from_range(expanded.data(), expanded.data() + expanded.size() - 1);
        }
    }
    return strbuf_dup(step);
}

StrBuf* qualify_path(const char* expression, int default_ns_count) {
    if (!expression) return nullptr;
    return qualify_range(expression, expression + std::strlen(expression), default_ns_count);
}

StrBuf* qualify_path_buf(const StrBuf* expression, int default_ns_count) {
    if (!expression) return nullptr;
    const char* text = strbuf_text(expression);
    return qualify_range(text, text + expression->length, default_ns_count);
}
