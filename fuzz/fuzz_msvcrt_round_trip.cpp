// Quoting an argv and splitting the command line gives the argv back.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args = {"prog"};
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\0') continue;  // a command line cannot hold a NUL
        if (c == '\n') {
            args.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    args.push_back(current);
    std::string line = args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        line += ' ';
        line += msvcrt_enclose_argument(args[i]);
    }
    if (msvcrt_split_command_line(line.c_str()) != args) std::abort();
    return 0;
}
