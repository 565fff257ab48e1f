// The whole program on one in-memory invoice: start-up, parsing, the choice of
// road, embedded-document preparation and the hand-off, with every sibling a
// recorder that does nothing. Beside this binary lie the recorders under the
// siblings' names and the generic templates; image fetches are refused.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "document/image_refs.h"
#include "platform/platform.h"
#include "viewer/startup.h"

namespace {

// Fetching is replaced by a refusal: the network is not what is under test.
int refuse(FetchJob*, FetchBudget&) { return 7; }

const std::string& input_path() {
    static const std::string path = [] {
        const auto dir = std::filesystem::temp_directory_path() / "vandrel-fuzz-dispatch";
        std::filesystem::create_directories(dir);
        return (dir / "invoice.xml").string();
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = input_path();
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                   static_cast<std::streamsize>(size));
    // The program moves to its own directory, as a run should; the fuzzer's own
    // relative paths (corpus, findings) need the directory it started in.
    std::string started_in;
    platform_get_current_dir(started_in);
    char* argv[] = {path.data()};
    viewer_main_argv(1, argv, refuse);
    platform_set_current_dir(started_in.c_str());
    return 0;
}
