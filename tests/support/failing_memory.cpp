#include "support/failing_memory.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "util/memory.h"

namespace {
// Test-only state: the product's own pair of functions has none.
int refused_block = 0;
int blocks_taken = 0;

bool refuse_this_one() { return ++blocks_taken == refused_block; }
}  // namespace

void* memory_take(size_t size) { return refuse_this_one() ? nullptr : std::malloc(size); }

void* memory_take_zeroed(size_t size) { return refuse_this_one() ? nullptr : std::calloc(1, size); }

void memory_refuse_block(int n) {
    refused_block = n;
    blocks_taken = 0;
}

int memory_blocks_taken() { return blocks_taken; }

int refuse_each_block(const std::function<bool()>& operation) {
    for (int n = 1;; ++n) {
        memory_refuse_block(n);
        const bool done = operation();
        const int taken = memory_blocks_taken();
        memory_refuse_block(0);
        if (taken < n) {  // nothing was refused: the run was whole
            EXPECT_TRUE(done) << "with every block given";
            return taken;
        }
        EXPECT_FALSE(done) << "block " << n << " of a run was refused and the run reported success";
    }
}
