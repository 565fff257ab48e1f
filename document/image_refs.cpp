#include "document/image_refs.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "document/fetch.h"
#include "document/image_url.h"
#include "platform/platform.h"
#include "util/find_bytes.h"
#include "util/kvlist.h"
#include "util/linelist.h"
#include "util/memory.h"
#include "util/paths.h"
#include "util/results.h"

namespace {

constexpr const char* kMarkers[] = {"~D", "~A", "~#D"};
constexpr const char* kImageExtensions[] = {"jpg", "jpeg", "jpe", "png", "gif", "bmp", "dib", "tif", "tiff", "ico"};

std::string local_path_of(const ImageLookup& lookup, const std::string& name) {
    return lookup.program_dir + platform_dir_separator() + name;
}

// A name a fetch may write: an image type's extension (any case), or none.
bool is_image_name(const std::string& name) {
    // One trailing point is the RFC rule's (a name that had no extension); the
    // system would drop it, and any further point or blank, when storing the file.
    // A further point leaves an empty extension, which no image type has.
    const std::string stem = !name.empty() && name.back() == '.' ? name.substr(0, name.size() - 1) : name;
    if (stem.empty() || stem.back() == ' ') return false;
    const size_t point = stem.rfind('.');
    if (point == std::string::npos) return true;
    const std::string extension = stem.substr(point + 1);
    return std::any_of(std::begin(kImageExtensions), std::end(kImageExtensions),
                       [&](const char* known) { return ascii_casecmp(extension.c_str(), known) == 0; });
}

// A name that can only ever mean a file in the program's directory. Names that
// begin with "~" are the program's own (downloads in progress, images of URLs):
// a reference cannot name them.
bool is_plain_file_name(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name[0] == '~') return false;
    for (const unsigned char c : name) {
        if (c == ':' || c == '/' || c == '\\' || c < 0x20 || c == 0x7F) return false;
    }
    return true;
}

// Compared as the system would find the file: case aside, and without the
// points and blanks Windows drops at the end of a name.
std::string file_name_key(const std::string& name) {
    std::string key = name;
    while (!key.empty() && (key.back() == '.' || key.back() == ' ')) key.pop_back();
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

// A name the program or a sibling runs or reads: never written by a fetch.
bool is_program_file(const ImageLookup& lookup, const std::string& name) {
    const std::string key = file_name_key(name);
    return std::any_of(lookup.program_files.begin(), lookup.program_files.end(),
                       [&](const std::string& file) { return file_name_key(file) == key; });
}

// The file name a URL ends in: its last path segment, without query or fragment.
std::string url_file_name(const std::string& url) {
    const std::string path = url.substr(0, url.find_first_of("?#"));
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The extension of the file name a URL ends in, when it is an image's.
std::string url_image_extension(const std::string& url) {
    const std::string last = url_file_name(url);
    const size_t point = last.rfind('.');
    if (point == std::string::npos || point == 0) return std::string();
    const std::string extension = last.substr(point + 1);
    return is_image_name("x." + extension) ? extension : std::string();
}

}  // namespace

std::string url_image_name(const std::string& reference) {
    // Every byte but a-z and 0-9 is written _XX: one URL, one name, whatever the
    // case rules of the file system, and never a name a plain reference can have.
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string name = "~web-";
    for (const char c : reference) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9')) {
            name += c;
        } else {
            name += '_';
            name += kHex[byte >> 4];
            name += kHex[byte & 0x0F];
        }
    }
    const std::string extension = url_image_extension(reference);
    return extension.empty() ? name : name + "." + extension;
}

// Taken from the records' allocator, so that a refused block is seen as it is for any record.
ImageRef* image_ref_new() {
    void* block = memory_take(sizeof(ImageRef));
    return block ? new (block) ImageRef{} : nullptr;
}

int image_ref_add(ImageRef* head, const char* first, const char* last) {
    if (!head || last < first) return 0;
    ImageRef* ref = image_ref_new();
    if (!ref) return 0;
    ref->start = first;
    ref->end = last;
    ImageRef* tail = head;
    while (tail->next) tail = tail->next;
    tail->next = ref;
    return 1;
}

void image_ref_list_free(ImageRef* head) {
    while (head) {
        ImageRef* next = head->next;
        head->~ImageRef();
        std::free(head);
        head = next;
    }
}

namespace {

// The longest file name the file systems take; a URL whose name would be longer is not fetched.
constexpr size_t kMaxFileName = 255;

int fetch_image(ImageRef* ref, const std::string& url, FetchBudget& budget, const ImageLookup& lookup) {
    FetchJobPtr job(fetch_job_new());
    if (!job) return CURLE_OUT_OF_MEMORY;
    job->target_path = local_path_of(lookup, ref->local_name);
    job->url = url;
    const int result = lookup.fetch(job.get(), budget);
    ref->localised = result == 0;
    return result;
}

// An image a URL names is kept under a name of that URL alone, so that it can
// never stand in for a plain name that the image server fills.
int localise_url_ref(ImageRef* ref, const std::string& content, FetchBudget& budget, const ImageLookup& lookup) {
    // Asked for only when the URL names an image, as a plain name must.
    if (!is_image_name(url_file_name(content))) return 0;
    const std::string name = url_image_name(content);
    if (name.size() > kMaxFileName) return 0;
    ref->local_name = name;
    if (platform_file_readable(local_path_of(lookup, name).c_str())) {
        ref->localised = 1;
        return 0;
    }
    return fetch_image(ref, reference_url(content), budget, lookup);
}

}  // namespace

int localise_image_ref(ImageRef* ref, FetchBudget& budget, const ImageLookup& lookup) {
    ref->localised = 0;
    const std::string content(ref->start, static_cast<size_t>(ref->end - ref->start + 1));
    if (content.find("://") != std::string::npos) return localise_url_ref(ref, content, budget, lookup);
    // The name is what follows the last slash or backslash: never a path.
    const size_t cut = content.find_last_of("/\\");
    std::string name = cut == std::string::npos ? content : content.substr(cut + 1);
    if (!is_plain_file_name(name)) return 0;
    ref->local_name = name;
    if (platform_file_readable(local_path_of(lookup, name).c_str())) {
        ref->localised = 1;
        return 0;
    }
    const char* rfc = lookup.issuer_rfc ? strbuf_text(lookup.issuer_rfc) : nullptr;
    if (rfc && name.find(rfc) == std::string::npos) {
        std::vector<char> directory(name.size() + 1), base(name.size() + 1), extension(name.size() + 1);
        path_split(name.c_str(), directory.data(), base.data(), extension.data());
        name = std::string(base.data()) + "_" + rfc + "." + extension.data();
        if (!is_plain_file_name(name)) return 0;
        ref->local_name = name;
    }
    // Only images are ever written by a fetch: never a table, a template, a program
    // or any other file the program or its siblings look up by name.
    if (!is_image_name(name) || is_program_file(lookup, name)) return 0;
    std::string url;
    if (const int failed = lookup.server_url(lookup.base_url, name, url)) return failed;
    return fetch_image(ref, url, budget, lookup);
}

namespace {

// Every reference of every marker, in list order, linked after `head`; false
// when one could not be recorded, since a reference left as written could point
// the renderer outside the program's directory.
bool find_references(ImageRef* head, const char* text, const char* search_end, std::vector<ImageRef*>& refs) {
    ImageRef* tail = head;
    for (const char* marker : kMarkers) {
        const size_t marker_length = std::strlen(marker);
        for (const char* position = text;;) {
            const char* found = find_bytes(position, search_end, marker, marker_length);
            if (!found) break;
            const char* after = found + marker_length;
            const char* open = static_cast<const char*>(std::memchr(after, '"', static_cast<size_t>(search_end - after)));
            if (!open) break;
            const char* close =
                static_cast<const char*>(std::memchr(open + 1, '"', static_cast<size_t>(search_end - open - 1)));
            if (!close) break;
            position = close;
            if (close == open + 1) continue;  // empty quotes name nothing
            if (!image_ref_add(tail, open + 1, close - 1)) return false;
            tail = tail->next;
            refs.push_back(tail);
        }
    }
    return true;
}

// The references that are replaced, by start; a quoted string reached by several
// markers is used once, through the first of them in list order.
std::vector<ImageRef*> references_used(const std::vector<ImageRef*>& refs) {
    std::vector<ImageRef*> by_start(refs);
    std::stable_sort(by_start.begin(), by_start.end(),
                     [](const ImageRef* a, const ImageRef* b) { return a->start < b->start; });
    std::vector<ImageRef*> used;
    for (ImageRef* ref : by_start) {
        if (used.empty() || ref->start > used.back()->end) used.push_back(ref);
    }
    return used;
}

// Localised in list order. A name written many times is looked up, and fetched,
// once: the outcome of its first reference stands for the others.
void localise_all(const std::vector<ImageRef*>& refs, const std::vector<ImageRef*>& used, const ImageLookup& lookup) {
    const std::unordered_set<const ImageRef*> replaced(used.begin(), used.end());
    std::unordered_map<std::string_view, const ImageRef*> decided;
    FetchBudget budget = fetch_budget_new(lookup.fetch_limits);
    for (ImageRef* ref : refs) {
        if (!replaced.count(ref)) continue;
        const std::string_view content(ref->start, static_cast<size_t>(ref->end - ref->start + 1));
        const auto [earlier, first] = decided.emplace(content, ref);
        if (first) {
            localise_image_ref(ref, budget, lookup);
        } else {
            ref->localised = earlier->second->localised;
            ref->local_name = earlier->second->local_name;
        }
    }
}

// An image that cannot be had is the placeholder; without one, a plain name
// stays as written and anything else (a path, a URL) is passed on as no name at
// all, so that the renderer is never pointed outside the program's directory.
std::string replacement_of(const ImageRef* ref, const std::string& placeholder) {
    if (ref->localised) return ref->local_name;
    if (!placeholder.empty()) return placeholder;
    const std::string content(ref->start, static_cast<size_t>(ref->end - ref->start + 1));
    return is_plain_file_name(content) ? content : std::string();
}

// The text with each used reference's content replaced, in a buffer of exactly its size.
ByteBuf* rewritten(const char* text, int64_t length, const std::vector<ImageRef*>& used,
                   const std::string& placeholder) {
    std::vector<std::string> replacements;
    replacements.reserve(used.size());
    int64_t size = length;
    for (const ImageRef* ref : used) {
        replacements.push_back(replacement_of(ref, placeholder));
        size += static_cast<int64_t>(replacements.back().size()) - (ref->end - ref->start + 1);
    }
    ByteBufPtr out(bytebuf_new());
    if (!out) return nullptr;
    if (size > 0 && bytebuf_reserve(out.get(), size) == 0) return nullptr;
    const char* copy = text;
    for (size_t i = 0; i < used.size(); ++i) {
        bytebuf_append(out.get(), copy, used[i]->start - copy);
        bytebuf_append(out.get(), replacements[i].data(), static_cast<int64_t>(replacements[i].size()));
        copy = used[i]->end + 1;
    }
    bytebuf_append(out.get(), copy, text + length - copy);
    return out.release();
}

}  // namespace

ByteBuf* localise_image_refs(const char* text, int64_t length, const ImageLookup& lookup) {
    if (!text || length < 0) return nullptr;
    ImageRefListPtr head(image_ref_new());
    if (!head) return nullptr;
    // References are searched up to the first NUL; the whole length is copied.
    const char* nul = static_cast<const char*>(std::memchr(text, '\0', static_cast<size_t>(length)));
    std::vector<ImageRef*> refs;
    if (!find_references(head.get(), text, nul ? nul : text + length, refs)) return nullptr;
    const std::vector<ImageRef*> used = references_used(refs);
    localise_all(refs, used, lookup);
    return rewritten(text, length, used, lookup.placeholder);
}

int localise_file_in_place(const char* path, const ImageLookup& lookup) {
    if (!path || !platform_file_readable(path)) return kDocumentUnreadable;
    StrBuf* raw = nullptr;
    read_whole_file(&raw, path, nullptr);
    StrBufPtr content(raw);
    if (!content || content->length == 0) return kDocumentUnreadable;
    ByteBufPtr localised(localise_image_refs(content->text, content->length, lookup));
    if (!localised) return kNoLocalisedBuffer;
    // Written beside the document and moved over it, so that a failed write
    // never leaves the document cut short.
    const std::string temp_path = std::string(path) + ".part";
    if (bytebuf_write_file(localised.get(), temp_path.c_str(), nullptr) != 0 ||
        !platform_replace_file(temp_path.c_str(), path)) {
        platform_remove_file(temp_path.c_str());
        return 1;
    }
    return 0;
}
