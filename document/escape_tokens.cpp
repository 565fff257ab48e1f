#include "document/escape_tokens.h"

#include <cstring>

namespace {

struct TokenPair {
    const char* token;
    const char* character;
};

// Applied in this order: a "$" two adjacent tokens could share goes to the earlier pair.
constexpr TokenPair kTokens[] = {
    {"$tIL$", "~"},    {"$men$", "<"},    {"$may$", ">"},    {"$a$", "\xe1"}, {"$e$", "\xe9"},
    {"$i$", "\xed"},   {"$o$", "\xf3"},   {"$u$", "\xfa"},   {"$A$", "\xc1"}, {"$E$", "\xc9"},
    {"$I$", "\xcd"},   {"$O$", "\xd3"},   {"$U$", "\xda"},   {"$n$", "\xf1"}, {"$N$", "\xd1"},
    {"$cs$", "'"},     {"$arr$", "@"},    {"$amp$", "&"},    {"$cd$", "\""},
};

}  // namespace

StrBuf* decode_escape_tokens(const ByteBuf* buf) {
    if (!buf) return nullptr;
    const int64_t n = bytebuf_size(buf);
    StrBuf* current = strbuf_new(static_cast<int32_t>(n + 1));
    if (!current || !current->text) {
        strbuf_free(current);
        return nullptr;
    }
    if (n > 0) strbuf_fill(current, buf->data, static_cast<int32_t>(n));
    for (const TokenPair& pair : kTokens) {
        // A pass that would find nothing would only copy the text.
        if (!std::memchr(current->text, '$', static_cast<size_t>(current->length))) break;
        StrBuf* next = strbuf_replace_all(current, pair.token, pair.character);
        if (!next) break;
        strbuf_free(current);
        current = next;
    }
    trim_leading_blanks(current);
    return current;
}

void trim_leading_blanks(StrBuf* buf) {
    if (!buf || !buf->text || buf->length <= 0) return;
    int32_t drop = 0;
    while (drop < buf->length) {
        const char c = buf->text[drop];
        if (c == '\n' || c == '\t' || c == ' ') {
            ++drop;
        } else if (c == '\r' && drop + 1 < buf->length && buf->text[drop + 1] == '\n') {
            drop += 2;
        } else {
            break;
        }
    }
    if (drop == 0) return;
    std::memmove(buf->text, buf->text + drop, static_cast<size_t>(buf->length - drop));
    buf->length -= drop;
    buf->text[buf->length] = '\0';
}
