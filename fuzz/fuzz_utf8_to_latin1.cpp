#include <cstdint>
#include <cstdlib>
#include <string>

#include "util/latin1.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string out(size, '\0');
    const size_t n = utf8_to_latin1(data, size, out.data());
    if (n > size) std::abort();
    // Latin-1 text written as UTF-8 comes back unchanged.
    std::string utf8;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(out[i]);
        if (c < 0x80) utf8 += static_cast<char>(c);
        else utf8 += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    }
    std::string back(utf8.size(), '\0');
    back.resize(utf8_to_latin1(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size(), back.data()));
    if (back != out.substr(0, n)) std::abort();
    return 0;
}
