#include "tools/quenda/html_text.h"

namespace {

bool is_control(unsigned char c) { return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0); }

}  // namespace

void append_html_text(std::string& out, std::string_view latin1) {
    out.reserve(out.size() + latin1.size() + latin1.size() / 8);
    for (const unsigned char c : latin1) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            case '\t': out += '\t'; break;
            default:
                if (is_control(c)) {
                    out += ' ';
                } else if (c < 0x80) {
                    out += static_cast<char>(c);
                } else {
                    out += static_cast<char>(0xC0 | (c >> 6));
                    out += static_cast<char>(0x80 | (c & 0x3F));
                }
        }
    }
}

std::string html_text(std::string_view latin1) {
    std::string out;
    append_html_text(out, latin1);
    return out;
}

void append_base64(std::string& out, std::string_view bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    out.reserve(out.size() + (bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    const auto byte = [&](size_t at) { return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])); };
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = byte(i) << 16 | byte(i + 1) << 8 | byte(i + 2);
        out += kDigits[v >> 18];
        out += kDigits[(v >> 12) & 63];
        out += kDigits[(v >> 6) & 63];
        out += kDigits[v & 63];
    }
    if (i == bytes.size()) return;
    const bool two = i + 1 < bytes.size();
    const unsigned v = byte(i) << 16 | (two ? byte(i + 1) << 8 : 0);
    out += kDigits[v >> 18];
    out += kDigits[(v >> 12) & 63];
    out += two ? kDigits[(v >> 6) & 63] : '=';
    out += '=';
}
