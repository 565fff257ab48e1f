#pragma once
// Growable, always NUL-terminated byte string: the carrier of every text
// built at run time. Capacities grow in steps of 128 bytes.
// Results as util/results.h states them for util/.
#include <cstddef>
#include <cstdint>
#include <memory>

struct StrBuf {
    int32_t capacity;  // block size, terminator included; 0 without a block
    int32_t length;    // content bytes, terminator excluded
    char* text;        // may be null in an empty record
};

StrBuf* strbuf_new(int32_t initial_capacity);
StrBuf* strbuf_new_empty();
void strbuf_free(StrBuf* buf);
StrBuf* strbuf_dup(const StrBuf* buf);
int strbuf_append_text(StrBuf** slot, const char* text);
int strbuf_append_bytes(StrBuf** slot, const void* bytes, int64_t count);
int strbuf_append_buf(StrBuf** slot, const StrBuf* other);
// These two never grow the block: 0 when the content would not fit with its terminator.
int strbuf_fill(StrBuf* buf, const void* bytes, int32_t count);
int strbuf_set_text(StrBuf* buf, const char* text);
int strbuf_set_buf(StrBuf* buf, const StrBuf* other);
StrBuf* strbuf_from_text(const char* text);
StrBuf* strbuf_from_range(const char* first, const char* last);
StrBuf* strbuf_remove_chars(const char* text, const char* set);
StrBuf* strbuf_replace_all(const StrBuf* buf, const char* pattern, const char* replacement);
int text_is_numeric(const char* text);

// Takes a block for a final content of `length` bytes in one step, with the
// capacity the 128-byte growth rule would have reached; keeps bulk builders linear.
int strbuf_reserve_for(StrBuf** slot, int64_t length);

struct StrBufDeleter {
    void operator()(StrBuf* buf) const { strbuf_free(buf); }
};
using StrBufPtr = std::unique_ptr<StrBuf, StrBufDeleter>;

// Text of a buffer that may be absent or blockless, never null.
inline const char* strbuf_text(const StrBuf* buf) {
    return (buf && buf->text) ? buf->text : "";
}
