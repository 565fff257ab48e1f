#pragma once
// Image references of a document ("~D", "~A", "~#D" followed by a quoted name)
// pointed at local files in the program's directory.
// Results in document/: 0 when done, otherwise a numbered result (util/results.h)
// or the failed transfer's libcurl code; a check gives a bool; a new buffer or
// record, or null. Kept as their callers have always read them: image_ref_add
// gives 1 when it recorded the reference and 0 when not, as util/ does, and
// localise_file_in_place 1, bytebuf_write_file's answer, when the rewritten text
// cannot be written.
#include <memory>
#include <string>
#include <vector>

#include "document/fetch.h"
#include "document/image_url.h"
#include "util/bytebuf.h"
#include "util/strbuf.h"

// How a missing image is fetched: 0 stored, otherwise the failure.
using ImageFetch = int (*)(FetchJob* job, FetchBudget& budget);
// How the image server's address of a name is made: 0 made, otherwise the failure.
using ImageServerUrl = int (*)(const std::string& base, const std::string& latin1_name, std::string& url);

// What localisation needs to know of the run.
struct ImageLookup {
    std::string program_dir;             // where images are looked for and stored
    const StrBuf* issuer_rfc = nullptr;  // names without it get "_RFC" before the extension
    std::string placeholder;             // replaces images that cannot be had; empty: none is there
    std::string base_url;                // followed by the image name
    FetchLimits fetch_limits;
    ImageFetch fetch = fetch_to_file;    // tests put a deterministic answer here
    ImageServerUrl server_url = image_server_url;  // and a failing one here
    std::vector<std::string> program_files;  // names the program runs or reads: never fetched
};

struct ImageRef {
    const char* start;  // first character of the quoted content
    const char* end;    // last character of the quoted content
    ImageRef* next;
    int localised;           // the local name replaces the content
    std::string local_name;  // file name of the image in the program's directory
};

ImageRef* image_ref_new();
int image_ref_add(ImageRef* head, const char* first, const char* last);
void image_ref_list_free(ImageRef* head);
struct ImageRefListDeleter {
    void operator()(ImageRef* head) const { image_ref_list_free(head); }
};
using ImageRefListPtr = std::unique_ptr<ImageRef, ImageRefListDeleter>;

// The name an image of the URL `reference` is kept under: "~web-" and every byte
// but a-z and 0-9 written _XX, then the URL's image extension.
std::string url_image_name(const std::string& reference);

ByteBuf* localise_image_refs(const char* text, int64_t length, const ImageLookup& lookup);
// A missing image is fetched within what is left of `budget`, the time of the
// whole document, and only when its name is an image's. 0 when the image is had
// or is not to be asked for; otherwise libcurl's code, CURLE_OUT_OF_MEMORY when
// the request could not be made.
int localise_image_ref(ImageRef* ref, FetchBudget& budget, const ImageLookup& lookup);
// 0 rewritten; 503 unreadable or empty; 511 no buffer; 1 cannot be written.
int localise_file_in_place(const char* path, const ImageLookup& lookup);

