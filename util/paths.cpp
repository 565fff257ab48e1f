#include "util/paths.h"

#include <algorithm>
#include <cstring>

namespace {

void copy_cut(char* out, const char* first, size_t count, size_t limit) {
    count = std::min(count, limit);
    std::memcpy(out, first, count);
    out[count] = '\0';
}

}  // namespace

int path_last_segment(const char* text, char* out, size_t limit) {
    if (!text || !out) return 0;
    const char* slash = std::strrchr(text, '/');
    const char* start = slash ? slash + 1 : text;
    copy_cut(out, start, std::strlen(start), limit);
    return 1;
}

int path_directory(const char* text, char* out, size_t limit, char separator) {
    if (!text || !out) return 0;
    const char* sep = std::strrchr(text, separator);
    if (!sep || sep == text) {
        out[0] = '\0';
        return 1;
    }
    copy_cut(out, text, static_cast<size_t>(sep - text), limit);
    return 1;
}

std::string path_directory_of(const std::string& path, char separator) {
    std::string out(path.size() + 1, '\0');
    path_directory(path.c_str(), out.data(), path.size(), separator);
    return out.c_str();
}

int path_split(const char* text, char* directory, char* name, char* extension, char separator) {
    if (directory) directory[0] = '\0';
    if (name) name[0] = '\0';
    if (extension) extension[0] = '\0';
    if (!text || !directory || !name || !extension) return 0;
    const size_t length = std::strlen(text);
    const char* sep = std::strrchr(text, separator);
    const char* rest = text;
    const char* point = nullptr;
    if (sep) {
        copy_cut(directory, text, static_cast<size_t>(sep - text), length);
        rest = sep + 1;
        point = std::strchr(rest, '.');  // with a directory, the first point of the file part
    } else {
        point = std::strrchr(text, '.');  // without one, the last point
    }
    if (point) {
        copy_cut(name, rest, static_cast<size_t>(point - rest), length);
        copy_cut(extension, point + 1, std::strlen(point + 1), length);
    } else {
        copy_cut(name, rest, std::strlen(rest), length);
    }
    return 1;
}

int path_extension(const char* text, char* out, size_t limit) {
    if (!out) return 0;
    out[0] = '\0';
    if (!text) return 0;
    const char* point = std::strrchr(text, '.');
    if (!point) return 0;
    const size_t count = std::strlen(point + 1);
    copy_cut(out, point + 1, count, limit);
    return static_cast<int>((count < limit ? count : limit) + 1);
}

int path_base_name(const char* text, char* out, size_t limit, char separator) {
    if (!text || !out) return 0;
    const char* sep = std::strrchr(text, separator);
    const char* start = sep ? sep + 1 : text;
    const char* point = std::strrchr(text, '.');
    // A last point in a directory name leaves the name empty.
    const char* stop = std::max(point ? point : text + std::strlen(text), start);
    copy_cut(out, start, static_cast<size_t>(stop - start), limit);
    return 1;
}
