#include "util/strbuf.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "util/find_bytes.h"
#include "util/memory.h"

namespace {

constexpr int64_t kGrowthStep = 128;

// Capacity the growth rule gives a buffer of `capacity` that must hold `need` bytes.
int64_t grown_capacity(int64_t capacity, int64_t need) {
    if (capacity > need) return capacity;
    return capacity + ((need - capacity + kGrowthStep) / kGrowthStep) * kGrowthStep;
}

int resize_block(StrBuf* buf, int64_t new_capacity) {
    if (new_capacity > INT32_MAX) return 0;
    char* block = static_cast<char*>(memory_take(static_cast<size_t>(new_capacity)));
    if (!block) return 0;
    if (buf->text && buf->length > 0) std::memcpy(block, buf->text, static_cast<size_t>(buf->length));
    block[buf->length] = '\0';
    std::free(buf->text);
    buf->text = block;
    buf->capacity = static_cast<int32_t>(new_capacity);
    return 1;
}

int ensure_slot(StrBuf** slot) {
    if (!slot) return 0;
    if (!*slot) *slot = strbuf_new_empty();
    return *slot != nullptr;
}

}  // namespace

StrBuf* strbuf_new(int32_t initial_capacity) {
    StrBuf* buf = strbuf_new_empty();
    if (!buf || initial_capacity <= 0) return buf;
    buf->text = static_cast<char*>(memory_take(static_cast<size_t>(initial_capacity)));
    if (buf->text) {
        buf->text[0] = '\0';
        buf->capacity = initial_capacity;
    }
    return buf;
}

StrBuf* strbuf_new_empty() {
    return static_cast<StrBuf*>(memory_take_zeroed(sizeof(StrBuf)));
}

void strbuf_free(StrBuf* buf) {
    if (!buf) return;
    std::free(buf->text);
    std::free(buf);
}

StrBuf* strbuf_dup(const StrBuf* buf) {
    if (!buf) return nullptr;
    StrBuf* copy = strbuf_new(buf->length + 1);
    if (!copy || !copy->text) {
        strbuf_free(copy);
        return nullptr;
    }
    strbuf_fill(copy, buf->text, buf->length);
    return copy;
}

int strbuf_append_bytes(StrBuf** slot, const void* bytes, int64_t count) {
    if (!ensure_slot(slot) || count < 0) return 0;
    StrBuf* buf = *slot;
    const int64_t need = static_cast<int64_t>(buf->length) + count;
    const int64_t capacity = grown_capacity(buf->capacity, need);
    if (capacity != buf->capacity && !resize_block(buf, capacity)) return 0;
    if (count > 0) std::memcpy(buf->text + buf->length, bytes, static_cast<size_t>(count));
    buf->length = static_cast<int32_t>(need);
    buf->text[buf->length] = '\0';
    return 1;
}

int strbuf_append_text(StrBuf** slot, const char* text) {
    if (!text) return 0;
    return strbuf_append_bytes(slot, text, static_cast<int64_t>(std::strlen(text)));
}

int strbuf_append_buf(StrBuf** slot, const StrBuf* other) {
    if (!other) return 1;
    return strbuf_append_bytes(slot, strbuf_text(other), other->length);
}

int strbuf_reserve_for(StrBuf** slot, int64_t length) {
    if (!ensure_slot(slot) || length < 0) return 0;
    StrBuf* buf = *slot;
    const int64_t capacity = grown_capacity(buf->capacity, length);
    if (capacity == buf->capacity) return 1;
    return resize_block(buf, capacity);
}

// Neither grows the block: what does not fit with its terminator is refused, not
// written past the block's end.
int strbuf_fill(StrBuf* buf, const void* bytes, int32_t count) {
    if (!buf || !buf->text || !bytes || count < 0) return 0;
    if (static_cast<int64_t>(buf->length) + count >= buf->capacity) return 0;
    std::memcpy(buf->text, bytes, static_cast<size_t>(count));
    buf->length += count;
    buf->text[buf->length] = '\0';
    return 1;
}

int strbuf_set_text(StrBuf* buf, const char* text) {
    if (!buf || !buf->text || !text) return 0;
    const size_t n = std::strlen(text);
    if (n >= static_cast<size_t>(buf->capacity)) return 0;
    std::memcpy(buf->text, text, n + 1);
    buf->length = static_cast<int32_t>(n);
    return 1;
}

int strbuf_set_buf(StrBuf* buf, const StrBuf* other) {
    return strbuf_set_text(buf, strbuf_text(other));
}

StrBuf* strbuf_from_text(const char* text) {
    StrBuf* buf = nullptr;
    if (!strbuf_append_text(&buf, text)) {
        strbuf_free(buf);
        return nullptr;
    }
    return buf;
}

StrBuf* strbuf_from_range(const char* first, const char* last) {
    if (!first || !last || last < first) return nullptr;
    StrBuf* buf = nullptr;
    if (!strbuf_append_bytes(&buf, first, last - first + 1)) {
        strbuf_free(buf);
        return nullptr;
    }
    return buf;
}

StrBuf* strbuf_remove_chars(const char* text, const char* set) {
    StrBuf* buf = strbuf_from_text(text);
    if (!buf || !set) return buf;
    // One pass dropping every byte of the set gives the same text as one pass per character.
    bool drop[256] = {};
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(set); *c; ++c) drop[*c] = true;
    int32_t out = 0;
    for (int32_t i = 0; i < buf->length; ++i) {
        const unsigned char c = static_cast<unsigned char>(buf->text[i]);
        if (!drop[c]) buf->text[out++] = static_cast<char>(c);
    }
    buf->length = out;
    buf->text[out] = '\0';
    return buf;
}

StrBuf* strbuf_replace_all(const StrBuf* buf, const char* pattern, const char* replacement) {
    if (!buf || !buf->text || buf->length == 0 || !pattern || !*pattern || !replacement) return nullptr;
    const char* const begin = buf->text;
    const char* const end = begin + std::strlen(begin);  // the search stops at the first NUL
    const char* const content_end = begin + buf->length;
    const size_t pattern_length = std::strlen(pattern);
    const size_t replacement_length = std::strlen(replacement);

    // First pass counts, so the result is sized once.
    int64_t matches = 0;
    for (const char* p = begin; (p = find_bytes(p, end, pattern, pattern_length));
         p += pattern_length) {
        ++matches;
    }
    const int64_t final_length = buf->length + matches * (static_cast<int64_t>(replacement_length) -
                                                          static_cast<int64_t>(pattern_length));
    StrBuf* result = nullptr;
    if (!strbuf_reserve_for(&result, final_length)) {
        strbuf_free(result);
        return nullptr;
    }
    const char* cursor = begin;
    for (const char* p; (p = find_bytes(cursor, end, pattern, pattern_length));) {
        strbuf_append_bytes(&result, cursor, p - cursor);
        strbuf_append_bytes(&result, replacement, static_cast<int64_t>(replacement_length));
        cursor = p + pattern_length;
    }
    strbuf_append_bytes(&result, cursor, content_end - cursor);
    return result;
}

int text_is_numeric(const char* text) {
    if (!text) return 0;
    for (const char* c = text; *c; ++c) {
        if (!((*c >= '0' && *c <= '9') || *c == '.' || *c == '-')) return 0;
    }
    return 1;
}
