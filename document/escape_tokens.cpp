#include "document/escape_tokens.h"

#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct TokenPair {
    const char* token;
    const char* character;
    size_t length = std::char_traits<char>::length(token);
};

// Applied in this order: a "$" two adjacent tokens could share goes to the earlier pair.
constexpr TokenPair kTokens[] = {
    {"$tIL$", "~"},    {"$men$", "<"},    {"$may$", ">"},    {"$a$", "\xe1"}, {"$e$", "\xe9"},
    {"$i$", "\xed"},   {"$o$", "\xf3"},   {"$u$", "\xfa"},   {"$A$", "\xc1"}, {"$E$", "\xc9"},
    {"$I$", "\xcd"},   {"$O$", "\xd3"},   {"$U$", "\xda"},   {"$n$", "\xf1"}, {"$N$", "\xd1"},
    {"$cs$", "'"},     {"$arr$", "@"},    {"$amp$", "&"},    {"$cd$", "\""},
};

constexpr int kNoToken = -1;

// The pair whose token starts at `at` (a "$"), or kNoToken. No token is a prefix of
// another, so at most one matches.
int token_at(const char* at, const char* end) {
    const size_t available = static_cast<size_t>(end - at);
    if (available < 3) return kNoToken;
    for (int i = 0; i < static_cast<int>(std::size(kTokens)); ++i) {
        const TokenPair& pair = kTokens[i];
        if (pair.token[1] == at[1] && pair.length <= available && std::memcmp(at, pair.token, pair.length) == 0) {
            return i;
        }
    }
    return kNoToken;
}

// Leading blanks the decoded text drops: spaces, tabs, line feeds and CR LF pairs.
size_t leading_blanks(const char* text, size_t length) {
    size_t drop = 0;
    while (drop < length) {
        const char c = text[drop];
        if (c == '\n' || c == '\t' || c == ' ') {
            ++drop;
        } else if (c == '\r' && drop + 1 < length && text[drop + 1] == '\n') {
            drop += 2;
        } else {
            break;
        }
    }
    return drop;
}

constexpr uint8_t kTaken = 0x80;

// Tokens can only overlap by sharing a "$", so overlapping ones form a chain in
// which each starts where the one before ends. Replacing the pairs one after the
// other, in table order and left to right, takes a token exactly when neither
// neighbour was taken before it; a replacement never forms a new token, so this
// settles the whole chain at once.
void settle_chain(std::vector<uint8_t>& chain) {
    if (chain.size() == 1) {  // the usual case: a token that shares no "$"
        chain[0] |= kTaken;
        return;
    }
    for (uint8_t pair = 0; pair != std::size(kTokens); ++pair) {
        for (size_t i = 0; i < chain.size(); ++i) {
            if (chain[i] != pair) continue;
            const bool left_taken = i > 0 && (chain[i - 1] & kTaken);
            const bool right_taken = i + 1 < chain.size() && (chain[i + 1] & kTaken);
            if (!left_taken && !right_taken) chain[i] |= kTaken;
        }
    }
}

}  // namespace

// One pass over the text, which the pairs in table order would each have copied.
// The search stops at the first NUL; the bytes after it are kept as they are.
StrBuf* decode_escape_tokens(const ByteBuf* buf) {
    if (!buf) return nullptr;
    const int64_t n = bytebuf_size(buf);
    StrBufPtr out(strbuf_new(static_cast<int32_t>(n + 1)));
    if (!out || !out->text) return nullptr;
    if (n == 0) return out.release();
    const char* const text = reinterpret_cast<const char*>(buf->data);
    const char* const end = text + n;
    // Tokens and their characters are never blanks, so the front can be trimmed first.
    const char* read = text + leading_blanks(text, static_cast<size_t>(n));
    const char* nul = static_cast<const char*>(std::memchr(read, '\0', static_cast<size_t>(end - read)));
    const char* const search_end = nul ? nul : end;
    char* write = out->text;
    std::vector<uint8_t> chain;
    for (const char* dollar; (dollar = static_cast<const char*>(
                                  std::memchr(read, '$', static_cast<size_t>(search_end - read))));) {
        int pair = token_at(dollar, search_end);
        if (pair == kNoToken) {
            const size_t run = static_cast<size_t>(dollar + 1 - read);
            std::memcpy(write, read, run);
            write += run;
            read = dollar + 1;
            continue;
        }
        chain.clear();
        const char* link = dollar;
        for (; pair != kNoToken; pair = token_at(link, search_end)) {
            chain.push_back(static_cast<uint8_t>(pair));
            link += kTokens[pair].length - 1;
        }
        settle_chain(chain);
        std::memcpy(write, read, static_cast<size_t>(dollar - read));
        write += dollar - read;
        bool dollar_taken = false;  // the "$" at `at` went with the token before it
        const char* at = dollar;
        for (const uint8_t entry : chain) {
            const TokenPair& token = kTokens[entry & ~kTaken];
            const char* const closing = at + token.length - 1;  // also the next link's opening "$"
            if (entry & kTaken) {
                *write++ = token.character[0];
            } else {
                const char* const from = dollar_taken ? at + 1 : at;
                std::memcpy(write, from, static_cast<size_t>(closing - from));
                write += closing - from;
            }
            dollar_taken = entry & kTaken;
            at = closing;
        }
        // The chain's last "$" starts no token; it stays unless its token was taken.
        if (!dollar_taken) *write++ = '$';
        read = at + 1;
    }
    const size_t rest = static_cast<size_t>(end - read);
    std::memcpy(write, read, rest);
    write += rest;
    out->length = static_cast<int32_t>(write - out->text);
    out->text[out->length] = '\0';
    return out.release();
}

void trim_leading_blanks(StrBuf* buf) {
    if (!buf || buf->length == 0) return;  // a record without a block has no length either
    const auto drop = static_cast<int32_t>(leading_blanks(buf->text, static_cast<size_t>(buf->length)));
    if (drop == 0) return;  // the text stays where it is: no copy of a whole document for nothing
    std::memmove(buf->text, buf->text + drop, static_cast<size_t>(buf->length - drop));
    buf->length -= drop;
    buf->text[buf->length] = '\0';
}
