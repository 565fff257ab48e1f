#include "util/linelist.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "util/diagnostics.h"
#include "util/results.h"

namespace {

void add_line(LineList* list, const char* bytes, size_t length) {
    if (length > INT32_MAX - 1) return;
    Line* line = static_cast<Line*>(std::calloc(1, sizeof(Line)));
    char* text = static_cast<char*>(std::malloc(length + 1));
    if (!line || !text) {
        std::free(line);
        std::free(text);
        return;
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
}

// The pending tail's buffer always holds a power of two bytes, at least 64, so
// that its size follows from its length.
size_t capacity_for(size_t length) {
    size_t capacity = 64;
    while (capacity < length + 1) capacity *= 2;
    return capacity;
}

void clear_pending(LineSplitter* splitter) {
    std::free(splitter->pending);
    splitter->pending = nullptr;
    splitter->pending_length = 0;
}

// Splits pending + chunk; `finish` turns an unterminated tail into a last line.
void split(LineSplitter* splitter, const char* chunk, size_t count, bool finish) {
    const size_t n = static_cast<size_t>(splitter->pending_length);
    if (n == 0 && (finish || count == 0)) return;

    // Only the tail is ever copied: the chunk itself is scanned in place.
    const char* pending = splitter->pending;
    size_t scan = 0;
    size_t line_start = 0;  // offset into the chunk of the next line's first byte
    bool carried = n > 0;   // the current line begins in the pending bytes
    auto emit = [&](const char* bytes, size_t length) {
        if (length > 0 && bytes[length - 1] == '\r') --length;
        add_line(splitter->target, bytes, length);
    };
    if (!finish) {
        for (; scan < count; ++scan) {
            if (chunk[scan] != '\n') continue;
            if (carried) {
                std::vector<char> joined(pending, pending + n);
                joined.insert(joined.end(), chunk, chunk + scan);
                emit(joined.data(), joined.size());
                carried = false;
            } else {
                emit(chunk + line_start, scan - line_start);
            }
            line_start = scan + 1;
        }
    }
    if (finish) {
        add_line(splitter->target, pending, n);  // a trailing CR stays part of a last line
        clear_pending(splitter);
        return;
    }
    const size_t rest = count - line_start;
    if (!carried && rest == 0) {
        clear_pending(splitter);
        return;
    }
    const size_t kept = carried ? n : 0;
    const size_t tail = kept + rest;
    if (tail > static_cast<size_t>(INT32_MAX) - 1) {
        clear_pending(splitter);
        return;
    }
    // A line longer than a chunk grows its buffer by doubling, never by copying
    // the whole tail again for each chunk.
    char* next = carried ? splitter->pending : nullptr;
    if (!carried || capacity_for(tail) > capacity_for(n)) {
        next = static_cast<char*>(std::realloc(next, capacity_for(tail)));
        if (!next) {
            clear_pending(splitter);
            return;
        }
    }
    std::memcpy(next + kept, chunk + line_start, rest);
    next[tail] = '\0';
    if (!carried) clear_pending(splitter);
    splitter->pending = next;
    splitter->pending_length = static_cast<int32_t>(tail);
}

}  // namespace

void line_splitter_feed(LineSplitter* splitter, const char* bytes, size_t count) {
    split(splitter, bytes, count, false);
}

void line_splitter_finish(LineSplitter* splitter) {
    split(splitter, nullptr, 0, true);
}

LineList* linelist_new() {
    return static_cast<LineList*>(std::calloc(1, sizeof(LineList)));
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
    LineSplitter splitter{list, nullptr, 0};
    std::vector<char> chunk(kReadChunkSize);
    for (;;) {
        const size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
        if (got == 0) break;
        line_splitter_feed(&splitter, chunk.data(), got);
    }
    line_splitter_finish(&splitter);
    std::fclose(file);
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
        const long size = std::ftell(file);
        if (size > 0 && !strbuf_reserve_for(slot, size)) {
            std::fclose(file);
            return fail(kLineFileNoMemory, "Error No. %d. No hay memoria para almacenar el archivo de entrada");
        }
    }
    std::rewind(file);
    std::vector<char> chunk(kReadChunkSize);
    bool appended = false;
    for (;;) {
        const size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
        if (got == 0) break;
        if (!strbuf_append_bytes(slot, chunk.data(), static_cast<int64_t>(got))) {
            std::fclose(file);
            return fail(kLineFileNoMemory, "Error No. %d. No hay memoria para almacenar el archivo de entrada");
        }
        appended = true;
    }
    std::fclose(file);
    if (!appended && slot && *slot && (*slot)->length == 0) {
        // An empty file leaves the slot as it was given: empty.
        strbuf_free(*slot);
        *slot = nullptr;
    }
    return 0;
}
