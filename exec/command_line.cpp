#include "exec/command_line.h"

#include "platform/platform.h"

std::string command_line_from(const std::vector<CommandArgument>& arguments) {
    std::string line;
    for (const CommandArgument& argument : arguments) {
        if (!line.empty()) line += ' ';
        line += argument.quoted ? msvcrt_enclose_argument(argument.text) : argument.text;
    }
    return line;
}
