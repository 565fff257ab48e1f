#pragma once
// Which files a page may show: a plain file name of the program's folder whose
// bytes are an image. Names come from documents, which come from invoices: a
// name that could reach anything else is never opened.
#include <cstddef>
#include <string>
#include <string_view>

// No folder, drive, URL, device or control character: only a file of the folder itself.
bool is_plain_file_name(std::string_view name);
// The image type the bytes begin with (JPEG, PNG, GIF, BMP, TIFF, ICO); null for anything else.
const char* image_mime_of(std::string_view bytes);

struct ImageFile {
    std::string bytes;
    const char* mime = nullptr;
};
// Reads `dir`/`name` when it is a plain name of a regular file (checked before it
// is opened, so that a named pipe never holds the renderer) of 1 to `max_bytes`
// bytes that begin with an image signature. False, with `out` empty, otherwise.
bool read_image_file(const std::string& dir, std::string_view name, size_t max_bytes, ImageFile& out);
