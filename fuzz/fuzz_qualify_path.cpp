#include <cstdint>
#include <cstdlib>
#include <string>

#include "xml/qualify.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int default_ns_count = data[0] % 3;
    StrBuf* expression = nullptr;
    strbuf_append_bytes(&expression, data + 1, static_cast<int64_t>(size - 1));
    StrBufPtr owned(expression);
    StrBufPtr result(qualify_path_buf(owned.get(), default_ns_count));
    if (!result) std::abort();
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    StrBufPtr again(qualify_path(text.c_str(), default_ns_count));
    if (!again) std::abort();
    return 0;
}
