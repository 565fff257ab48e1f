#include "util/latin1.h"

#include <cstdint>
#include <cstring>

size_t utf8_to_latin1(const unsigned char* in, size_t count, char* out) {
    size_t i = 0;
    size_t n = 0;
    auto is_continuation = [&](size_t at) { return at < count && (in[at] & 0xC0) == 0x80; };
    for (;;) {
        // Runs of ASCII, the bulk of a document, are copied eight bytes at a time.
        while (i + 8 <= count) {
            uint64_t word;
            std::memcpy(&word, in + i, 8);
            if (word & 0x8080808080808080ULL) break;
            std::memcpy(out + n, &word, 8);
            i += 8;
            n += 8;
        }
        if (i >= count) break;
        const unsigned char lead = in[i];
        if (lead < 0x80) {
            out[n++] = static_cast<char>(lead);
            ++i;
            continue;
        }
        size_t expected;
        unsigned long code;
        unsigned long minimum;
        if (lead >= 0xC2 && lead <= 0xDF) {
            expected = 1, code = lead & 0x1F, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            expected = 2, code = lead & 0x0F, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            expected = 3, code = lead & 0x07, minimum = 0x10000;
        } else {
            out[n++] = '?';  // stray continuation byte or invalid lead
            ++i;
            continue;
        }
        size_t taken = 1;
        while (taken <= expected && is_continuation(i + taken)) {
            code = (code << 6) | (in[i + taken] & 0x3F);
            ++taken;
        }
        const bool complete = taken == expected + 1;
        i += taken;
        if (complete && code >= minimum && code <= 0xFF) {
            out[n++] = static_cast<char>(code);
        } else {
            out[n++] = '?';
        }
    }
    return n;
}

std::string latin1_to_utf8(const std::string& latin1) {
    std::string utf8;
    utf8.reserve(latin1.size());
    for (const char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (byte >> 6));
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return utf8;
}
