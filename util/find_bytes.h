#pragma once
// The first occurrence of `pattern` in [begin, end), or nullptr: a portable memmem.
#include <cstddef>
#include <string_view>

inline const char* find_bytes(const char* begin, const char* end, const char* pattern, size_t pattern_length) {
    const std::string_view haystack(begin, static_cast<size_t>(end - begin));
    const size_t at = haystack.find(std::string_view(pattern, pattern_length));
    return at == std::string_view::npos ? nullptr : begin + at;
}
