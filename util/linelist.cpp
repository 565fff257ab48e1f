#include "util/linelist.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "util/diagnostics.h"
#include "util/memory.h"
#include "util/results.h"

namespace {

bool add_line(LineList* list, const char* bytes, size_t length) {
    if (length > INT32_MAX - 1) return false;
    Line* line = static_cast<Line*>(memory_take_zeroed(sizeof(Line)));
    char* text = static_cast<char*>(memory_take(length + 1));
    if (!line || !text) {
        std::free(line);
        std::free(text);
        return false;
    }
    if (length) std::memcpy(text, bytes, length);
    text[length] = '\0';
    line->text = text;
    line->length = static_cast<int32_t>(length);
    line->number = ++list->count;
    line->prev = list->last;
    if (list->last) list->last->next = line;
    else list->first = line;
    list->last = line;
    return true;
}

void keep_line(LineSplitter* splitter, const char* bytes, size_t length) {
    if (!add_line(splitter->target, bytes, length)) splitter->lost = true;
}

// A line ends at a line feed, which is not kept, nor is a carriage return before it.
void emit(LineSplitter* splitter, const char* bytes, size_t length) {
    if (length > 0 && bytes[length - 1] == '\r') --length;
    keep_line(splitter, bytes, length);
}

}  // namespace

void line_splitter_feed(LineSplitter* splitter, const char* bytes, size_t count) {
    const char* const end = bytes + count;
    // The chunk is scanned in place; only a line that began in an earlier chunk
    // is gathered, in a buffer that grows by doubling.
    while (const char* feed = static_cast<const char*>(std::memchr(bytes, '\n', static_cast<size_t>(end - bytes)))) {
        if (splitter->pending.empty()) {
            emit(splitter, bytes, static_cast<size_t>(feed - bytes));
        } else {
            splitter->pending.append(bytes, feed);
            emit(splitter, splitter->pending.data(), splitter->pending.size());
            splitter->pending.clear();
        }
        bytes = feed + 1;
    }
    splitter->pending.append(bytes, end);
}

void line_splitter_finish(LineSplitter* splitter) {
    // A trailing CR stays part of a last line without a line feed.
    if (!splitter->pending.empty()) keep_line(splitter, splitter->pending.data(), splitter->pending.size());
    splitter->pending.clear();
}

LineList* linelist_new() {
    return static_cast<LineList*>(memory_take_zeroed(sizeof(LineList)));
}

LineList* linelist_read_file(const char* path) {
    if (!path) return nullptr;
    FILE* file = std::fopen(path, "rb");
    if (!file) return nullptr;
    LineList* list = linelist_new();
    if (!list) {
        std::fclose(file);
        return nullptr;
    }
    LineSplitter splitter{list, {}};
    std::vector<char> chunk(kReadChunkSize);
    for (;;) {
        const size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
        if (got == 0) break;
        line_splitter_feed(&splitter, chunk.data(), got);
    }
    line_splitter_finish(&splitter);
    // A list that misses a line would be read as the whole file: none is given instead.
    const bool whole = !std::ferror(file) && !splitter.lost;
    std::fclose(file);
    if (!whole) {
        linelist_free(list);
        return nullptr;
    }
    return list;
}

Line* linelist_first(LineList* list) {
    if (!list) return nullptr;
    list->cursor = list->first;
    return list->cursor;
}

Line* linelist_next(LineList* list) {
    if (!list || !list->cursor || !list->cursor->next) return nullptr;
    list->cursor = list->cursor->next;
    return list->cursor;
}

void linelist_free(LineList* list) {
    if (!list) return;
    for (Line* line = list->last; line;) {
        Line* prev = line->prev;
        std::free(line->text);
        std::free(line);
        line = prev;
    }
    std::free(list);
}

int read_whole_file(StrBuf** slot, const char* path, FILE* log) {
    auto fail = [&](int code, const char* format) {
        char message[512];
        std::snprintf(message, sizeof message, format, code, path ? path : "");
        log_line(log, message);
        if (slot) {
            strbuf_free(*slot);
            *slot = nullptr;
        }
        return code;
    };
    FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file) return fail(kLineFileMissing, "Error No. %d. Archivo de entrada [%s] no pudo ser encontrado");

    // Size the buffer once from the file's length; chunks still go through the
    // regular append, so a file that grows while being read is taken whole.
    if (std::fseek(file, 0, SEEK_END) == 0) {
        // A length that cannot be told (-1) sizes nothing in advance.
        if (!strbuf_reserve_for(slot, std::max(std::ftell(file), 0L))) {
            std::fclose(file);
            return fail(kLineFileNoMemory, "Error No. %d. No hay memoria para almacenar el archivo de entrada");
        }
    }
    std::rewind(file);
    std::vector<char> chunk(kReadChunkSize);
    for (;;) {
        const size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
        if (got == 0) break;
        if (!strbuf_append_bytes(slot, chunk.data(), static_cast<int64_t>(got))) {
            std::fclose(file);
            return fail(kLineFileNoMemory, "Error No. %d. No hay memoria para almacenar el archivo de entrada");
        }
    }
    std::fclose(file);
    if (slot && *slot && (*slot)->length == 0) {
        // An empty file leaves the slot as it was given: empty.
        strbuf_free(*slot);
        *slot = nullptr;
    }
    return 0;
}
