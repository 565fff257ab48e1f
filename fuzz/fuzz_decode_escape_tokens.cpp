// One-pass decoding gives exactly what replacing the pairs one after the other does.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "document/escape_tokens.h"

namespace {

const char* const kPairs[][2] = {
    {"$tIL$", "~"},  {"$men$", "<"},  {"$may$", ">"},  {"$a$", "\xe1"}, {"$e$", "\xe9"}, {"$i$", "\xed"},
    {"$o$", "\xf3"}, {"$u$", "\xfa"}, {"$A$", "\xc1"}, {"$E$", "\xc9"}, {"$I$", "\xcd"}, {"$O$", "\xd3"},
    {"$U$", "\xda"}, {"$n$", "\xf1"}, {"$N$", "\xd1"}, {"$cs$", "'"},  {"$arr$", "@"}, {"$amp$", "&"},
    {"$cd$", "\""},
};

std::string reference(const std::string& text) {
    StrBuf* current = nullptr;
    strbuf_append_bytes(&current, text.data(), static_cast<int64_t>(text.size()));
    for (const auto& pair : kPairs) {
        StrBuf* next = strbuf_replace_all(current, pair[0], pair[1]);
        if (!next) break;
        strbuf_free(current);
        current = next;
    }
    trim_leading_blanks(current);
    std::string out = current ? std::string(current->text, static_cast<size_t>(current->length)) : "";
    strbuf_free(current);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ByteBufPtr buf(bytebuf_new());
    bytebuf_reserve(buf.get(), static_cast<int64_t>(size) + 1);
    bytebuf_append(buf.get(), data, static_cast<int64_t>(size));
    StrBufPtr decoded(decode_escape_tokens(buf.get()));
    if (!decoded) std::abort();
    if (std::string(decoded->text, static_cast<size_t>(decoded->length)) != reference(text)) std::abort();
    return 0;
}
