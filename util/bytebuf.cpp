#include "util/bytebuf.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "util/diagnostics.h"
#include "util/memory.h"

ByteBuf* bytebuf_new() {
    ByteBuf* buf = static_cast<ByteBuf*>(memory_take_zeroed(sizeof(ByteBuf)));
    if (buf) buf->last = -1;
    return buf;
}

int32_t bytebuf_reserve(ByteBuf* buf, int64_t size) {
    if (!buf) return 0;
    std::free(buf->data);
    buf->data = nullptr;
    buf->capacity = 0;
    buf->last = -1;
    if (size <= 0 || size > INT32_MAX) return 0;
    buf->data = static_cast<unsigned char*>(memory_take(static_cast<size_t>(size)));
    if (buf->data) buf->capacity = static_cast<int32_t>(size);
    return buf->capacity;
}

int64_t bytebuf_append(ByteBuf* buf, const void* bytes, int64_t count) {
    if (!buf || count < 0) return 0;
    if (static_cast<int64_t>(buf->last) + count + 1 > buf->capacity) return 0;
    if (count > 0) std::memcpy(buf->data + buf->last + 1, bytes, static_cast<size_t>(count));
    buf->last += static_cast<int32_t>(count);
    return count;
}

int bytebuf_write_file(const ByteBuf* buf, const char* path, FILE* log) {
    if (!buf || !path) return 1;
    FILE* file = std::fopen(path, "wb");
    if (!file) {
        log_system_error(log);
        return 1;
    }
    const size_t size = static_cast<size_t>(bytebuf_size(buf));
    const size_t written = size ? std::fwrite(buf->data, 1, size, file) : 0;
    if (written != size) log_system_error(log);
    const bool closed = std::fclose(file) == 0;
    return (written == size && closed) ? 0 : 1;
}

void bytebuf_free(ByteBuf* buf) {
    if (!buf) return;
    std::free(buf->data);
    std::free(buf);
}
