// Document preparation, string replacement and the line reader must stay linear
// in the size of the text: compare the time per byte across the sizes (a line
// four times as long may cost at most five times as much).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "document/escape_tokens.h"
#include "document/image_refs.h"
#include "util/linelist.h"
#include "util/strbuf.h"

namespace {

// A document of about `megabytes` MB with a token every 100 bytes and an image
// reference every 10 KB, all images present in the program's directory.
std::string make_document(int megabytes) {
    std::string text;
    const size_t size = static_cast<size_t>(megabytes) * 1000 * 1000;
    text.reserve(size + 200);
    size_t next_image = 0;
    while (text.size() < size) {
        text += "Linea de texto con un acento $e$ y algo m";
        text += std::string(55, 'x');
        text += "\n";
        if (text.size() >= next_image) {
            text += "~D\"logo.jpg\"\n";
            next_image += 10000;
        }
    }
    return text;
}

ImageLookup prepare_image_dir() {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "vandrel-bench";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "logo.jpg") << "jpg";
    ImageLookup lookup;
    lookup.program_dir = dir.string();
    return lookup;
}

void BM_PrepareEmbeddedDocument(benchmark::State& state) {
    const ImageLookup lookup = prepare_image_dir();
    const std::string text = make_document(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ByteBufPtr localised(localise_image_refs(text.c_str(), static_cast<int64_t>(text.size()), lookup));
        StrBufPtr decoded(decode_escape_tokens(localised.get()));
        benchmark::DoNotOptimize(decoded->length);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
    if (state.range(0) == 10) state.SetLabel("preparation, target >= 500 MB/s");
}
BENCHMARK(BM_PrepareEmbeddedDocument)->Arg(10)->Arg(40)->Unit(benchmark::kMillisecond);

void BM_ReplaceAll(benchmark::State& state) {
    // 100k matches per 10 MB.
    std::string text;
    const size_t size = static_cast<size_t>(state.range(0)) * 1000 * 1000;
    while (text.size() < size) text += std::string(95, 'a') + "$amp$";
    StrBufPtr source(strbuf_from_text(text.c_str()));
    for (auto _ : state) {
        StrBufPtr result(strbuf_replace_all(source.get(), "$amp$", "&"));
        benchmark::DoNotOptimize(result->length);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ReplaceAll)->Arg(10)->Arg(40)->Unit(benchmark::kMillisecond);

void BM_ReadOneLongLine(benchmark::State& state) {
    const auto path = std::filesystem::temp_directory_path() / "vandrel-bench-line.txt";
    const size_t size = static_cast<size_t>(state.range(0)) << 20;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(size, 'x') << "\n";
    for (auto _ : state) {
        LineListPtr lines(linelist_read_file(path.string().c_str()));
        benchmark::DoNotOptimize(lines.get());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReadOneLongLine)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);

}  // namespace
