#pragma once
// Byte buffer of fixed capacity, filled by appending and written to a file in one piece.
#include <cstdint>
#include <cstdio>
#include <memory>

struct ByteBuf {
    unsigned char* data;
    int32_t capacity;
    int32_t last;  // index of the last byte written; -1 when empty
};

ByteBuf* bytebuf_new();
int32_t bytebuf_reserve(ByteBuf* buf, int64_t size);
int64_t bytebuf_append(ByteBuf* buf, const void* bytes, int64_t count);
int bytebuf_write_file(const ByteBuf* buf, const char* path, FILE* log);
void bytebuf_free(ByteBuf* buf);

inline int64_t bytebuf_size(const ByteBuf* buf) { return buf ? static_cast<int64_t>(buf->last) + 1 : 0; }

struct ByteBufDeleter {
    void operator()(ByteBuf* buf) const { bytebuf_free(buf); }
};
using ByteBufPtr = std::unique_ptr<ByteBuf, ByteBufDeleter>;
