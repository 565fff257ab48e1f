#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "viewer/startup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    char** table = string_table_new(kArgSlots, kArgSlotSize);
    const int n = split_command_line(text.c_str(), table, kArgSlots, kArgSlotSize);
    if (n < 0 || n > kArgSlots) std::abort();
    for (int i = 0; i < n; ++i) {
        if (std::strlen(table[i]) > static_cast<size_t>(kArgSlotSize - 1)) std::abort();
    }
    string_table_free(table, kArgSlots, kArgSlotSize);
    return 0;
}
