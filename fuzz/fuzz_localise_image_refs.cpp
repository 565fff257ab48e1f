// Localisation of any text, with fetching replaced by a deterministic answer:
// no crash, and the quotes that delimit references all stay.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "document/fetch.h"
#include "document/image_refs.h"

namespace {

// Names of even length "arrive"; the file itself is not written.
int answer(FetchJob* job, FetchBudget&) { return job->url.size() % 2 == 0 ? 0 : 7; }

const std::string& image_dir() {
    static const std::string dir = [] {
        const auto path = std::filesystem::temp_directory_path() / "vandrel-fuzz-images";
        std::filesystem::create_directories(path);
        std::ofstream(path / "logo.jpg") << "x";
        return path.string();
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    StrBufPtr rfc((data[0] & 2) ? strbuf_from_text("AAA010101AAA") : nullptr);
    ImageLookup lookup;
    lookup.program_dir = image_dir();
    lookup.issuer_rfc = rfc.get();
    if (data[0] & 1) lookup.placeholder = "noimage.jpg";
    lookup.base_url = "http://127.0.0.1:9/Vandrel/images/";  // never asked: `answer` stands in
    lookup.fetch = answer;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    ByteBufPtr out(localise_image_refs(text.c_str(), static_cast<int64_t>(text.size()), lookup));
    if (!out) std::abort();
    const std::string result(reinterpret_cast<const char*>(out->data), static_cast<size_t>(bytebuf_size(out.get())));
    // Quotes are copied unchanged and no replacement holds one. (Markers may lie
    // inside a quoted string and be replaced with it.)
    auto count = [](const std::string& s, char c) { return std::count(s.begin(), s.end(), c); };
    const size_t nul = text.find('\0');
    if (nul == std::string::npos && count(result, '"') != count(text, '"')) std::abort();
    return 0;
}
