// Splitting and quoting with the Microsoft C runtime's rules, so that a child
// gets the same arguments from the same command line on every platform.
#include <cstring>

#include "platform/platform.h"

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> msvcrt_split_command_line(const char* command_line) {
    std::vector<std::string> argv;
    if (!command_line) return argv;
    const char* p = command_line;

    // The program name: quoted up to the next quote, otherwise up to a blank; no backslash rules.
    while (is_blank(*p)) ++p;
    if (!*p) return argv;
    std::string program;
    bool in_quotes = false;
    for (; *p; ++p) {
        if (*p == '"') {
            in_quotes = !in_quotes;
            continue;
        }
        if (!in_quotes && is_blank(*p)) break;
        program += *p;
    }
    argv.push_back(program);

    for (;;) {
        while (is_blank(*p)) ++p;
        if (!*p) break;
        std::string argument;
        in_quotes = false;
        while (*p && (in_quotes || !is_blank(*p))) {
            size_t backslashes = 0;
            while (*p == '\\') {
                ++backslashes;
                ++p;
            }
            if (*p == '"') {
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    argument += '"';
                } else if (in_quotes && p[1] == '"') {
                    argument += '"';  // "" inside quotes is one literal quote
                    ++p;
                } else {
                    in_quotes = !in_quotes;
                }
                ++p;
            } else {
                argument.append(backslashes, '\\');
                if (*p && (in_quotes || !is_blank(*p))) argument += *p++;
            }
        }
        argv.push_back(argument);
    }
    return argv;
}

std::string msvcrt_enclose_argument(const std::string& argument) {
    std::string quoted = "\"";
    for (size_t i = 0;; ++i) {
        size_t backslashes = 0;
        while (i < argument.size() && argument[i] == '\\') {
            ++backslashes;
            ++i;
        }
        if (i == argument.size()) {
            quoted.append(backslashes * 2, '\\');
            break;
        }
        if (argument[i] == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        quoted += argument[i];
    }
    quoted += '"';
    return quoted;
}

const char* command_text_after_program(const char* command_line) {
    if (!command_line) return "";
    const auto* p = reinterpret_cast<const unsigned char*>(command_line);
    if (*p == '"') {
        // A quoted name ends at its closing quote, whatever follows it.
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p > ' ') ++p;
    }
    while (*p && *p <= ' ') ++p;
    return reinterpret_cast<const char*>(p);
}
