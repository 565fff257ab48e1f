#pragma once
// The blocks of the util records (texts, lists, byte buffers) are taken here and
// released with std::free. One place, so that a test can make any single
// allocation fail and see every caller report it.
#include <cstddef>

void* memory_take(size_t size);
void* memory_take_zeroed(size_t size);
