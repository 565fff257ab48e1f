#include "platform/program_lookup_posix.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace posix {

bool is_executable_file(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

bool is_regular_file(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

namespace {

std::string directory_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

bool resolve_program(const std::string& name, std::string& out) {
    if (name.empty()) return false;
    if (name.find('/') != std::string::npos) {
        out = name;
        return true;
    }
    // A sibling beside the program (or in the working directory) that cannot be
    // run is reported as such, never replaced by a namesake on the search path.
    const std::string own = directory_of(platform_module_path());
    for (const std::string& sibling : {own.empty() ? std::string() : own + "/" + name, "./" + name}) {
        if (sibling.empty() || !is_regular_file(sibling)) continue;
        if (is_executable_file(sibling)) {
            out = sibling;
            return true;
        }
        errno = EACCES;
        return false;
    }
    // An empty entry of PATH is the working directory.
    for (const char* start = std::getenv("PATH"); start;) {
        const char* colon = std::strchr(start, ':');
        const std::string dir = colon ? std::string(start, colon) : std::string(start);
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
        if (is_executable_file(candidate)) {
            out = candidate;
            return true;
        }
        start = colon ? colon + 1 : nullptr;
    }
    errno = ENOENT;
    return false;
}

}  // namespace posix
