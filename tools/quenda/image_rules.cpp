#include "tools/quenda/image_rules.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <utility>

#include "platform/platform.h"

namespace {

// Names that Windows opens as devices whatever their extension.
constexpr std::string_view kDeviceNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};

bool same_letters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
        if (upper(a[i]) != upper(b[i])) return false;
    }
    return true;
}

bool is_device_name(std::string_view name) {
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    for (const std::string_view device : kDeviceNames) {
        if (same_letters(base, device)) return true;
    }
    // COM0 to COM9 and LPT0 to LPT9, the superscript digits (Latin-1) included.
    if (base.size() != 4 || !(same_letters(base.substr(0, 3), "COM") || same_letters(base.substr(0, 3), "LPT"))) {
        return false;
    }
    const unsigned char digit = static_cast<unsigned char>(base[3]);
    return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

}  // namespace

bool is_plain_file_name(std::string_view name) {
    if (name.empty() || name.size() > 255 || name == "." || name == "..") return false;
    for (const unsigned char c : name) {
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) return false;
        if (std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos) return false;
    }
    // Windows drops a trailing point or blank: the file opened would not be the one named.
    if (name.back() == '.' || name.back() == ' ') return false;
    return !is_device_name(name);
}

const char* image_mime_of(std::string_view bytes) {
    struct Signature {
        std::string_view head;
        const char* mime;
    };
    static constexpr Signature kSignatures[] = {
        {std::string_view("\xFF\xD8\xFF", 3), "image/jpeg"},
        {std::string_view("\x89PNG\r\n\x1A\n", 8), "image/png"},
        {"GIF87a", "image/gif"},
        {"GIF89a", "image/gif"},
        {"BM", "image/bmp"},
        {std::string_view("II*\0", 4), "image/tiff"},
        {std::string_view("MM\0*", 4), "image/tiff"},
        {std::string_view("\0\0\1\0", 4), "image/x-icon"},
    };
    for (const Signature& signature : kSignatures) {
        if (bytes.substr(0, signature.head.size()) == signature.head) return signature.mime;
    }
    return nullptr;
}

bool read_image_file(const std::string& dir, std::string_view name, size_t max_bytes, ImageFile& out) {
    out = ImageFile{};
    if (!is_plain_file_name(name)) return false;
    const std::string path = dir + platform_dir_separator() + std::string(name);
    std::error_code error;
    if (std::filesystem::status(path, error).type() != std::filesystem::file_type::regular || error) return false;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size == 0 || size > max_bytes) return false;
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    // One byte more than announced shows a file that grew past its bound meanwhile.
    std::string bytes(static_cast<size_t>(size) + 1, '\0');
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), file.get());
    if (got == 0 || got > max_bytes || std::ferror(file.get())) return false;
    bytes.resize(got);
    out.mime = image_mime_of(bytes);
    if (!out.mime) return false;
    out.bytes = std::move(bytes);
    return true;
}
