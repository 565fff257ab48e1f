#include "document/escape_tokens.h"

#include <cstring>

#include "util/find_bytes.h"

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

// Replaces every non-overlapping occurrence of `token`, left to right, by one
// byte, within the buffer: the result of replacing all and taking the new text,
// without a new buffer per pass. The search stops at the first NUL, `searched`
// bytes in, and the bytes after it are kept; `searched` is updated to where the
// NUL is afterwards, so that no pass has to look for it again.
void replace_token_in_place(StrBuf* buf, const char* token, char character, size_t& searched) {
    char* const text = buf->text;
    const char* const content_end = text + buf->length;
    const char* const search_end = text + searched;
    const size_t token_length = std::strlen(token);
    const char* read = text;
    char* write = text;
    for (const char* found;
         (found = find_bytes(read, search_end, token, token_length));) {
        const size_t run = static_cast<size_t>(found - read);
        std::memmove(write, read, run);
        write += run;
        *write++ = character;
        read = found + token_length;
    }
    if (read == text) return;  // nothing found: nothing moves
    searched = static_cast<size_t>(write - text) + static_cast<size_t>(search_end - read);
    const size_t rest = static_cast<size_t>(content_end - read);
    std::memmove(write, read, rest);
    buf->length = static_cast<int32_t>(write + rest - text);
    text[buf->length] = '\0';
}

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
    size_t searched = current->length > 0 ? std::strlen(current->text) : 0;
    for (const TokenPair& pair : kTokens) {
        // Decoding never forms a "$", so once none is left no later pair can match.
        if (current->length == 0 || !std::memchr(current->text, '$', static_cast<size_t>(current->length))) break;
        replace_token_in_place(current, pair.token, pair.character[0], searched);
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
