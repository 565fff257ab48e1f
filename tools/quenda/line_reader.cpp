#include "tools/quenda/line_reader.h"

#include <cstring>

namespace {

constexpr size_t kBlock = 1 << 16;

bool refill(LineReader& reader) {
    reader.at = 0;
    reader.filled = std::fread(reader.block.data(), 1, reader.block.size(), reader.file);
    if (reader.filled == 0 && std::ferror(reader.file)) reader.failed = true;
    return reader.filled > 0;
}

}  // namespace

void line_reader_start(LineReader& reader, FILE* file) {
    reader.file = file;
    reader.block.assign(kBlock, '\0');
    reader.at = reader.filled = 0;
    reader.failed = false;
}

bool line_reader_next(LineReader& reader, std::string& line) {
    line.clear();
    bool any = false;
    for (;;) {
        if (reader.at == reader.filled && !refill(reader)) break;
        any = true;
        const char* start = reader.block.data() + reader.at;
        const size_t left = reader.filled - reader.at;
        const char* newline = static_cast<const char*>(std::memchr(start, '\n', left));
        const size_t taken = newline ? static_cast<size_t>(newline - start) : left;
        line.append(start, taken);
        reader.at += taken + (newline ? 1 : 0);
        if (newline) break;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any && !reader.failed;
}
