// One-pass decoding gives exactly what replacing the pairs one after the other does.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "document/escape_tokens.h"
#include "support/invoices.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ByteBufPtr buf(bytebuf_new());
    bytebuf_reserve(buf.get(), static_cast<int64_t>(size) + 1);
    bytebuf_append(buf.get(), data, static_cast<int64_t>(size));
    StrBufPtr decoded(decode_escape_tokens(buf.get()));
    if (!decoded) std::abort();
    if (std::string(decoded->text, static_cast<size_t>(decoded->length)) != decoded_pair_by_pair(text)) std::abort();
    return 0;
}
