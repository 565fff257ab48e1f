// Whole-program figures: what a user waits for between double-click and the
// renderer, measured against starting the same do-nothing sibling directly.
// Each figure compares two medians of 9 runs after a warm-up, the two sides run
// in turn so that a drift in the machine's speed weighs on both alike.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "support/program_dir.h"

namespace {

struct Medians {
    double measured;
    double reference;
};

double time_ms(const std::function<void()>& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

Medians side_by_side_ms(const std::function<void()>& measured, const std::function<void()>& reference) {
    measured();  // warm-up
    reference();
    std::vector<double> a, b;
    for (int i = 0; i < 9; ++i) {
        a.push_back(time_ms(measured));
        b.push_back(time_ms(reference));
    }
    return {median(a), median(b)};
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
    auto direct = [&] { run_program(noop, {}, dir.work(), {}); };
    // A figure counts only when the viewer took its road to the end.
    auto viewer = [&](const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {}) {
        return [&dir, args, env] {
            const int exit_code = dir.run(args, env).exit_code;
            if (exit_code != 0) std::printf("  (%s ended with exit code %d: the figure below is not valid)\n",
                                            args[0].c_str(), exit_code);
        };
    };

    dir.write(dir.work() / "ready.vqd", "doc\r\n");
    const Medians ready = side_by_side_ms(viewer({"ready.vqd"}), direct);
    std::printf("launch, ready document:     viewer %.2f ms, direct child %.2f ms, overhead %.2f ms (target <= 5)\n",
                ready.measured, ready.reference, ready.measured - ready.reference);

    dir.write(dir.work() / "embedded.xml", cfdi32("<vqd>~D\"logo.jpg\" hola $amp$</vqd>"));
    const Medians emb = side_by_side_ms(viewer({"embedded.xml"}), direct);
    std::printf("launch, embedded with QR:   viewer %.2f ms, two children %.2f ms, overhead %.2f ms (target <= 5)\n",
                emb.measured, 2 * emb.reference, emb.measured - 2 * emb.reference);

    dir.write(dir.root() / "produced.vqd", "~D\"logo.jpg\"\r\nFactura\r\n");
    dir.write(dir.work() / "generic.xml", cfdi32(""));
    const std::map<std::string, std::string> ostrel = {
        {"RECORDER_OSTREL", "copy=" + (dir.root() / "produced.vqd").string() + ">3"}};
    const Medians gen = side_by_side_ms(viewer({"generic.xml"}, ostrel), direct);
    std::printf("launch, generic template:   viewer %.2f ms, three children %.2f ms, overhead %.2f ms (target <= 5)\n",
                gen.measured, 3 * gen.reference, gen.measured - 3 * gen.reference);
    const double child = gen.reference;

    double ten = 0;
    for (const size_t mb : {1, 10, 40}) {
        dir.write(dir.work() / "big.xml", cfdi32(embedded(mb * 1000 * 1000)));
        const Medians run = side_by_side_ms(viewer({"big.xml"}), direct);
        const double t = run.measured - 2 * run.reference;
        // The whole run, parsing included; the preparation alone is document_bench's figure.
        std::printf("embedded document %2zu MB:   %.1f ms whole run, %.0f MB/s\n", mb, t, mb * 1000.0 / t);
        if (mb == 10) ten = t;
        if (mb == 40) std::printf("embedded 40 MB / 10 MB:     %.2fx (target <= 4.5x)\n", t / ten);
    }

    std::string refs;
    for (int i = 0; i < 200; ++i) refs += "~D\"logo.jpg\" ";
    dir.write(dir.work() / "refs.xml", cfdi32("<vqd>" + refs + "</vqd>"));
    dir.write(dir.work() / "norefs.xml", cfdi32("<vqd>" + std::string(refs.size(), 'x') + "</vqd>"));
    const Medians cache = side_by_side_ms(viewer({"refs.xml"}), viewer({"norefs.xml"}));
    std::printf("image cache, 200 present:   %.2f ms over a document without references (target <= 2)\n",
                cache.measured - cache.reference);

    std::string conceptos = "<cfdi:Conceptos>";
    while (conceptos.size() < 20u * 1000 * 1000) {
        conceptos += "<cfdi:Concepto cantidad=\"1\" unidad=\"pieza\" descripcion=\"Art\xc3\xad" "culo de prueba con "
                     "descripci\xc3\xb3n larga\" valorUnitario=\"10.00\" importe=\"10.00\"/>\n";
    }
    dir.write(dir.work() / "large.xml", cfdi32(conceptos + "</cfdi:Conceptos>"));
    if (fs::exists("/usr/bin/xmllint")) {
        const std::string large_path = (dir.work() / "large.xml").string();
        auto lint = [&] { run_program("/usr/bin/xmllint", {"--noout", large_path}, dir.work(), {}); };
        const Medians large = side_by_side_ms(viewer({"large.xml"}, ostrel), lint);
        const double own = large.measured - 3 * child;
        std::printf("large invoice 20 MB:        %.1f ms through the generic road\n", own);
        std::printf("large invoice vs xmllint:   %.2fx (xmllint %.1f ms; target <= 1.3x)\n", own / large.reference,
                    large.reference);
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
