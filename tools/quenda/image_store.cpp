#include "tools/quenda/image_store.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "tools/quenda/html_text.h"
#include "tools/quenda/image_rules.h"

namespace {

// The file's image, read and written into the style the first time it is met.
// A file that is not of `mime` (when given) is left unstored and unremembered.
int file_image(ImageStore& store, std::string_view name, PageOut& style, const char* mime = nullptr) {
    if (!is_plain_file_name(name)) return kNoImage;
    const std::string key(name);
    if (const auto known = store.ids.find(key); known != store.ids.end()) {
        const bool fits = known->second != kNoImage &&
                          (!mime || std::strcmp(store.mimes[static_cast<size_t>(known->second)], mime) == 0);
        return fits ? known->second : kNoImage;
    }
    ImageFile image;
    const bool read = read_image_file(store.dir, name, std::min(store.max_bytes, store.budget), image);
    if (read && mime && std::strcmp(image.mime, mime) != 0) return kNoImage;
    if (!read) {
        store.ids.emplace(key, kNoImage);
        return kNoImage;
    }
    store.budget -= image.bytes.size();
    const int id = static_cast<int>(store.mimes.size());
    store.ids.emplace(key, id);
    store.mimes.push_back(image.mime);
    out_raw(style, ".i" + std::to_string(id) + "{content:url(\"data:" + image.mime + ";base64,");
    append_base64(style.buffer, image.bytes);
    out_raw(style, "\")}\n");
    return id;
}

int known_image(const ImageStore& store, std::string_view name) {
    if (!is_plain_file_name(name)) return kNoImage;
    const auto found = store.ids.find(std::string(name));
    return found == store.ids.end() ? kNoImage : found->second;
}

}  // namespace

int image_store_resolve(ImageStore& store, std::string_view reference, PageOut& style) {
    const int own = file_image(store, reference, style);
    return own != kNoImage ? own : file_image(store, store.placeholder, style);
}

int image_store_resolve_only(ImageStore& store, std::string_view name, const char* mime, PageOut& style) {
    return file_image(store, name, style, mime);
}

int image_store_find(const ImageStore& store, std::string_view reference) {
    const int own = known_image(store, reference);
    return own != kNoImage ? own : known_image(store, store.placeholder);
}
