// The lines do not depend on where the chunks of the input end.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "util/linelist.h"

namespace {

std::vector<std::string> split(const uint8_t* data, size_t size, size_t step) {
    LineListPtr list(linelist_new());
    LineSplitter splitter{list.get(), {}};
    for (size_t at = 0; at < size; at += step) {
        const size_t n = size - at < step ? size - at : step;
        line_splitter_feed(&splitter, reinterpret_cast<const char*>(data + at), n);
    }
    line_splitter_finish(&splitter);
    std::vector<std::string> lines;
    for (Line* line = linelist_first(list.get()); line; line = linelist_next(list.get())) {
        lines.emplace_back(line->text, static_cast<size_t>(line->length));
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t step = 1 + data[0] % 17;
    if (split(data + 1, size - 1, step) != split(data + 1, size - 1, size)) std::abort();
    return 0;
}
