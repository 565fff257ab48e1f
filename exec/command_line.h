#pragma once
// Command lines for the siblings, made from a list of arguments. An argument
// that is a name (a file, a path, a further argument of the user's) is always
// enclosed in double quotes and escaped by the Microsoft C runtime's rules, so
// it reaches the sibling as exactly one argument whatever it holds; options and
// values of the program's own ("-c", "-z", "10", the QR text) are written as they are.
#include <string>
#include <utility>
#include <vector>

struct CommandArgument {
    std::string text;
    bool quoted;  // a name: enclosed and escaped
};

inline CommandArgument as_name(std::string text) { return {std::move(text), true}; }
inline CommandArgument as_word(std::string text) { return {std::move(text), false}; }

std::string command_line_from(const std::vector<CommandArgument>& arguments);
