#include "platform/message_line.h"

namespace {

void append_utf8(std::string& out, const char* latin1) {
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(latin1); c && *c; ++c) {
        if (*c < 0x80) {
            out += static_cast<char>(*c);
        } else {
            out += static_cast<char>(0xC0 | (*c >> 6));
            out += static_cast<char>(0x80 | (*c & 0x3F));
        }
    }
}

}  // namespace

std::string message_box_line(const char* caption, const char* text) {
    std::string line;
    append_utf8(line, caption);
    line += ": ";
    append_utf8(line, text);
    line += '\n';
    return line;
}
