#pragma once
// The images of one page. Each file is read once and stored once, as a CSS rule
// that every reference to it shares, so that a name written forty thousand times
// costs forty thousand short tags and one copy of the image.
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tools/quenda/page_out.h"

constexpr int kNoImage = -1;  // drawn as the "[imagen no disponible]" mark

struct ImageStore {
    std::string dir;                           // the program's folder
    std::string placeholder;                   // shown for a reference that cannot be had
    size_t max_bytes = 10u << 20;              // one image
    size_t budget = 64u << 20;                 // every image of the page together
    std::unordered_map<std::string, int> ids;  // file name: its image, or kNoImage
    std::vector<const char*> mimes;            // by image number
};

// While the page's style is written: what `reference` shows (its own image, the
// placeholder, or kNoImage), reading and storing a file met for the first time.
int image_store_resolve(ImageStore& store, std::string_view reference, PageOut& style);
// The file's own image only, when it is one of `mime` (the QR bitmap); kNoImage otherwise.
int image_store_resolve_only(ImageStore& store, std::string_view name, const char* mime, PageOut& style);
// Afterwards, while the body is written: the same answer, never reading anything
// (a reference the style did not meet gets the placeholder when the style has it).
int image_store_find(const ImageStore& store, std::string_view reference);
