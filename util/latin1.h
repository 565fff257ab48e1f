#pragma once
// UTF-8 to Latin-1, character by character: a character Latin-1 cannot hold and
// a malformed sequence each become one "?", and the conversion goes on.
#include <cstddef>

// Writes at most `count` bytes to out (never more than the input holds); returns the number written.
// `out` may be `in` itself: no byte is written before it has been read.
size_t utf8_to_latin1(const unsigned char* in, size_t count, char* out);
#include <string>

// Latin-1 to UTF-8: every byte is one character.
std::string latin1_to_utf8(const std::string& latin1);
