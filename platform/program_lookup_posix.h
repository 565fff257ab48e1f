#pragma once
// How the POSIX backend finds a program by its name: the one lookup of its
// starts, its spawns and its openers.
#include <string>

namespace posix {

bool is_executable_file(const std::string& path);
bool is_regular_file(const std::string& path);
// The program's own directory, then the working directory, then PATH; a name
// with a slash is used as written. A sibling that cannot be run is reported as
// such (EACCES), never replaced by a namesake on the search path.
bool resolve_program(const std::string& name, std::string& out);

}  // namespace posix
