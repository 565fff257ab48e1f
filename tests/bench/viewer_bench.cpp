// Whole-program figures: what a user waits for between double-click and the
// renderer, measured against starting the same do-nothing sibling directly.
// Each figure is the median of 7 runs after a warm-up.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "support/program_dir.h"

namespace {

double median_ms(const std::function<void()>& run) {
    run();  // warm-up
    std::vector<double> times;
    for (int i = 0; i < 7; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::string cfdi32(const std::string& inner) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<cfdi:Comprobante xmlns:cfdi=\"http://www.sat.gob.mx/cfd/3\" "
           "version=\"3.2\" total=\"1160.00\"><cfdi:Emisor rfc=\"AAA010101AAA\"/><cfdi:Receptor rfc=\"XAXX010101000\"/>"
           "<cfdi:Complemento><tfd:TimbreFiscalDigital xmlns:tfd=\"http://www.sat.gob.mx/TimbreFiscalDigital\" "
           "UUID=\"80824F3B-323E-407B-8F8E-40D83FE2E69F\"/></cfdi:Complemento>" + inner + "</cfdi:Comprobante>\n";
}

// An embedded document of about `bytes` bytes, a token every 100 bytes, an image every 10 KB.
std::string embedded(size_t bytes) {
    std::string text = "<vqd>";
    size_t next_image = 0;
    while (text.size() < bytes) {
        text += "Linea con acento $e$ ";
        text += std::string(78, 'x');
        text += "\n";
        if (text.size() >= next_image) {
            text += "~D\"logo.jpg\"\n";
            next_image += 10000;
        }
    }
    return text + "</vqd>";
}

}  // namespace

int main() {
    ProgramDir dir;
    for (const char* name : {"Quenda.exe", "Marbet.exe"}) {
        fs::copy_file(fs::path(TEST_BIN_DIR) / "noop", dir.dir() / name);
    }
    dir.add_double("Ostrel.exe");
    dir.add_templates();
    dir.write("logo_AAA010101AAA.jpg", "jpg");
    dir.write("logo.jpg", "jpg");
    const std::string noop = (dir.dir() / "Quenda.exe").string();
    const double direct = median_ms([&] { run_program(noop, {}, dir.work(), {}); });
    // A figure counts only when the viewer took its road to the end.
    auto viewer = [&](const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {}) {
        int exit_code = 0;
        const double t = median_ms([&] { exit_code = dir.run(args, env).exit_code; });
        if (exit_code != 0) std::printf("  (%s ended with exit code %d: the figure below is not valid)\n",
                                        args[0].c_str(), exit_code);
        return t;
    };

    dir.write(dir.work() / "ready.vqd", "doc\r\n");
    const double ready = viewer({"ready.vqd"});
    std::printf("launch, ready document:     viewer %.2f ms, direct child %.2f ms, overhead %.2f ms (target <= 5)\n",
                ready, direct, ready - direct);

    dir.write(dir.work() / "embedded.xml", cfdi32("<vqd>~D\"logo.jpg\" hola $amp$</vqd>"));
    const double emb = viewer({"embedded.xml"});
    std::printf("launch, embedded with QR:   viewer %.2f ms, two children %.2f ms, overhead %.2f ms (target <= 5)\n",
                emb, 2 * direct, emb - 2 * direct);

    dir.write(dir.root() / "produced.vqd", "~D\"logo.jpg\"\r\nFactura\r\n");
    dir.write(dir.work() / "generic.xml", cfdi32(""));
    const std::map<std::string, std::string> ostrel = {
        {"RECORDER_OSTREL", "copy=" + (dir.root() / "produced.vqd").string() + ">3"}};
    const double gen = viewer({"generic.xml"}, ostrel);
    std::printf("launch, generic template:   viewer %.2f ms, three children %.2f ms, overhead %.2f ms (target <= 5)\n",
                gen, 3 * direct, gen - 3 * direct);

    double ten = 0;
    for (const size_t mb : {1, 10, 40}) {
        dir.write(dir.work() / "big.xml", cfdi32(embedded(mb * 1000 * 1000)));
        const double t = viewer({"big.xml"}) - 2 * direct;
        std::printf("embedded document %2zu MB:   %.1f ms, %.0f MB/s%s\n", mb, t, mb * 1000.0 / t,
                    mb == 10 ? " (target >= 500 MB/s)" : "");
        if (mb == 10) ten = t;
        if (mb == 40) std::printf("embedded 40 MB / 10 MB:     %.2fx (target <= 4.5x)\n", t / ten);
    }

    std::string refs;
    for (int i = 0; i < 200; ++i) refs += "~D\"logo.jpg\" ";
    dir.write(dir.work() / "refs.xml", cfdi32("<vqd>" + refs + "</vqd>"));
    dir.write(dir.work() / "norefs.xml", cfdi32("<vqd>" + std::string(refs.size(), 'x') + "</vqd>"));
    const double with_refs = viewer({"refs.xml"});
    const double without = viewer({"norefs.xml"});
    std::printf("image cache, 200 present:   %.2f ms over a document without references (target <= 2)\n",
                with_refs - without);

    std::string conceptos = "<cfdi:Conceptos>";
    while (conceptos.size() < 20u * 1000 * 1000) {
        conceptos += "<cfdi:Concepto cantidad=\"1\" unidad=\"pieza\" descripcion=\"Art\xc3\xad" "culo de prueba con "
                     "descripci\xc3\xb3n larga\" valorUnitario=\"10.00\" importe=\"10.00\"/>\n";
    }
    dir.write(dir.work() / "large.xml", cfdi32(conceptos + "</cfdi:Conceptos>"));
    const double large = viewer({"large.xml"}, ostrel) - 3 * direct;
    std::printf("large invoice 20 MB:        %.1f ms through the generic road\n", large);
    if (fs::exists("/usr/bin/xmllint")) {
        const double lint =
            median_ms([&] { run_program("/usr/bin/xmllint", {"--noout", (dir.work() / "large.xml").string()}, dir.work(), {}); });
        std::printf("large invoice vs xmllint:   %.2fx (xmllint %.1f ms; target <= 1.3x)\n", large / lint, lint);
        const long viewer_kb = dir.run({"large.xml"}, ostrel).peak_memory_kb;
        const long lint_kb =
            run_program("/usr/bin/xmllint", {"--noout", (dir.work() / "large.xml").string()}, dir.work(), {})
                .peak_memory_kb;
        std::printf("large invoice peak memory:  %.2fx (viewer %ld KB, xmllint %ld KB; target <= 1.3x)\n",
                    static_cast<double>(viewer_kb) / static_cast<double>(lint_kb), viewer_kb, lint_kb);
    } else {
        std::printf("large invoice vs xmllint:   xmllint not installed (libxml2-utils)\n");
    }
    return 0;
}
