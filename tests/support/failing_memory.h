#pragma once
// A test binary that uses these takes the util records' blocks from a counter
// that can refuse one of them.
#include <functional>

// Refuses the n-th block taken from now on (counting from 1); 0 refuses none.
void memory_refuse_block(int n);
// Blocks taken since the last memory_refuse_block.
int memory_blocks_taken();

// Runs `operation` with each of its blocks refused in turn and then with none
// refused: it must report failure (false) whenever a block was refused, and
// success when none was. Releasing what it made is its own affair (the
// sanitizer build sees leaks). Gives the number of blocks a whole run took.
int refuse_each_block(const std::function<bool()>& operation);
