#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "exec/command_template.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Fields separated by NUL: template, path, then up to ten arguments.
    std::vector<std::string> fields(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) fields.emplace_back();
        else fields.back() += static_cast<char>(data[i]);
    }
    while (fields.size() < 2) fields.emplace_back();
    std::vector<const char*> args;
    for (size_t i = 2; i < fields.size() && args.size() < 10; ++i) args.push_back(fields[i].c_str());
    StrBufPtr result(expand_command_template(fields[0].c_str(), fields[1].c_str(), static_cast<int>(args.size()),
                                             args.data()));
    if (!result) std::abort();
    return 0;
}
