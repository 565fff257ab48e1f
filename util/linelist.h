#pragma once
// The lines of a text file, read in 65,536-byte chunks, with a read cursor;
// and the whole-file reader.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "util/strbuf.h"

struct Line {
    char* text;
    int32_t number;
    int32_t length;
    Line* next;
    Line* prev;
};

struct LineList {
    int32_t count;
    Line* cursor;
    Line* first;
    Line* last;
};

constexpr size_t kReadChunkSize = 65536;

LineList* linelist_new();
// Null when the file cannot be opened or read, or a line of it cannot be kept.
LineList* linelist_read_file(const char* path);
Line* linelist_first(LineList* list);
Line* linelist_next(LineList* list);
void linelist_free(LineList* list);

// Splitter state of one read: feed chunks, then finish.
struct LineSplitter {
    LineList* target;
    std::string pending;  // the start of a line that has not ended yet
    bool lost = false;    // a line could not be stored
};
void line_splitter_feed(LineSplitter* splitter, const char* bytes, size_t count);
void line_splitter_finish(LineSplitter* splitter);

int read_whole_file(StrBuf** slot, const char* path, FILE* log);

struct LineListDeleter {
    void operator()(LineList* list) const { linelist_free(list); }
};
using LineListPtr = std::unique_ptr<LineList, LineListDeleter>;
