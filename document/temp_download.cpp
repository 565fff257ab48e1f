#include "document/temp_download.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/platform.h"
#include "util/program_names.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kPrefix = kTempPrefix;
constexpr const char kSuffix[] = ".part";
constexpr const char kProbeSuffix[] = "-probe";
// Names taken by something else (a planted file or link) are passed over, a few times.
constexpr int kAttempts = 16;

std::string temp_name(long pid, unsigned n) {
    return kPrefix + std::to_string(pid) + "-" + std::to_string(n) + kSuffix;
}

// What lies between the temporary prefix and `suffix` in `name`; false when it is not so framed.
bool framed(const std::string& name, const std::string& suffix, std::string& middle) {
    // Taken off one after the other, so that the two never share a character.
    if (!name.starts_with(kPrefix)) return false;
    std::string rest = name.substr(std::strlen(kPrefix));
    if (!rest.ends_with(suffix)) return false;
    rest.resize(rest.size() - suffix.size());
    middle = rest;
    return true;
}

// A process id: 1 to 18 digits; -1 when `digits` is not one.
long process_id_of(const std::string& digits) {
    if (digits.empty() || digits.size() > 18 || digits.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::stol(digits);
}

// The process id in a temporary file's name: a download ("<pid>-<n>.part") or a
// write probe ("<pid>-probe"); -1 when the name is neither.
long owner_of(const std::string& name) {
    std::string middle;
    if (framed(name, kProbeSuffix, middle)) return process_id_of(middle);
    if (!framed(name, kSuffix, middle)) return -1;
    const size_t dash = middle.find('-');
    if (dash == std::string::npos || process_id_of(middle.substr(dash + 1)) < 0) return -1;
    return process_id_of(middle.substr(0, dash));
}

}  // namespace

FILE* temp_download_create(const std::string& dir, unsigned& next, std::string& path) {
    const long pid = platform_process_id();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        path = dir + platform_dir_separator() + temp_name(pid, next++);
        // Listed before it exists, so that no moment leaves it uncovered.
        platform_remove_on_stop(path.c_str());
        if (FILE* file = platform_create_new_file(path.c_str())) return file;
        platform_forget_on_stop(path.c_str());
    }
    path.clear();
    return nullptr;
}

void temp_download_done(const std::string& path) { platform_forget_on_stop(path.c_str()); }

void sweep_stopped_downloads(const std::string& dir, std::chrono::milliseconds max_age) {
    std::error_code error;
    const long own = platform_process_id();
    const auto now = fs::file_time_type::clock::now();
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        const long owner = owner_of(it->path().filename().string());
        if (owner < 0) continue;
        // This run has no download yet: one under its id is a dead run's whose id came back.
        bool stale = owner == own || !platform_process_alive(owner);
        if (!stale) {
            std::error_code time_error;
            const auto written = fs::last_write_time(it->path(), time_error);
            stale = !time_error && now - written > max_age;
        }
        if (stale) {
            std::error_code ignored;
            fs::remove(it->path(), ignored);
        }
    }
}
