// The renderer: the document language, the image rules, and the real binary's
// page, exit codes and opener setting.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

#include "support/os.h"
#include "support/program_dir.h"
#include "tools/quenda/image_rules.h"
#include "tools/quenda/open_setting.h"
#include "tools/quenda/render.h"
#include "tools/quenda/table_layout.h"
#include "viewer_settings.h"

namespace {

const std::string kJpeg = std::string("\xFF\xD8\xFF\xE0", 4) + "jpeg";
const std::string kPng = std::string("\x89PNG\r\n\x1A\n", 8) + "png";
const std::string kBmp = "BM bitmap";
const std::string kSecret = "MARCADOR-SECRETO";

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

// A program folder of its own, rendered through the library.
class Render : public testing::Test {
protected:
    std::string page_of(const std::string& document, const std::string& stem = "doc") {
        const fs::path path = dir.work() / (stem + ".vqd");
        dir.write(path, document);
        RenderJob job{path.string(), "", {}, dir.dir().string()};
        EXPECT_EQ(render_page(job), RenderOutcome::Written);
        return read_file(page_path_of(job));
    }
    ProgramDir dir;
};

}  // namespace

TEST_F(Render, EachDirectiveBecomesItsBlockAndEveryValueIsEscapedText) {
    const struct {
        std::string document;
        std::vector<std::string> shown;
    } cases[] = {
        {"@@title Factura A-1", {"<h1 class=\"title\">Factura A-1</h1>", "<title>Factura A-1</title>"}},
        {"@@section Emisor\r\n@@subsection Domicilio",
         {"<section class=\"box\"><h2>Emisor</h2>", "<h3>Domicilio</h3>"}},
        {"@@field RFC\tAAA010101AAA\r\n@@field Nombre\tX",
         {"<div class=\"fields\">\n<div class=\"field\"><div class=\"label\">RFC</div><div class=\"value\">AAA010101AAA"
          "</div></div>\n<div class=\"field\"><div class=\"label\">Nombre</div>"}},
        {"@@table Clave\t>Importe\r\n@@row a\r\n@@row b\t2.00\tsobra\r\n@@end\r\ndespu\xe9s",
         {"<thead><tr><th>Clave</th><th class=\"num\">Importe</th></tr></thead>",
          "<tr><td>a</td><td class=\"num\"></td></tr>",
          "<tr><td>b</td><td class=\"num\">2.00</td></tr>\n</tbody></table>", "<p class=\"line\">despu\xc3\xa9s</p>"}},
        {"@@table C\t>Importe\r\n@@row 1\t10.00\r\n@@row 2\t" + std::string(100, '9') + "\r\n@@field x\ty\r\n@@row 3",
         {"<table class=\"grid\"><colgroup><col style=\"width:6.6%\"><col style=\"width:93.3%\"></colgroup><thead>",
          "</div>\n<table class=\"grid\"><colgroup><col style=\"width:6.6%\"><col style=\"width:93.3%\"></colgroup>"
          "<tbody>\n<tr><td>3</td>"}},
        {"@@strong Pago\r\n@@note Sin timbrar", {"<p class=\"strong\">Pago</p>", "<p class=\"note\">Sin timbrar</p>"}},
        {"@@wrap Sello\tABC+/=", {"<div class=\"wrap\"><div class=\"label\">Sello</div><div class=\"mono\">ABC+/="}},
        {"@@legend Representaci\xf3n impresa\r\nfin",
         {"<p class=\"line\">fin</p>\n<footer class=\"legend\">\n<p>Representaci\xc3\xb3n impresa</p>"}},
        {"@@pagebreak", {"<div class=\"pagebreak\"></div>"}},
        {"@@qr https://sat.example/v?id=1&re=A",
         {"<a href=\"https://sat.example/v?id=1&amp;re=A\"", ">Verificar en el SAT</a>",
          "mono\">https://sat.example/v?id=1&amp;re=A"}},
        {"@@bogus <b>x</b>", {"<p class=\"line\">@@bogus &lt;b&gt;x&lt;/b&gt;</p>"}},
        {"@@row fuera\tde tabla", {"<p class=\"line\">fuera\tde tabla</p>"}},
        {"uno\r\n\r\ndos", {"<p class=\"line\">uno</p>\n<p class=\"line\"></p>\n<p class=\"line\">dos</p>"}},
        {"@@field <script>alert(1)</script>\t\"><img src=x onerror=alert(1)> {..} 'a'",
         {"&lt;script&gt;alert(1)&lt;/script&gt;", "&quot;&gt;&lt;img src=x onerror=alert(1)&gt; {..} &#39;a&#39;"}},
    };
    for (const auto& c : cases) {
        const std::string page = page_of(c.document);
        for (const std::string& shown : c.shown)
            EXPECT_NE(page.find(shown), std::string::npos) << c.document << "\n" << page;
        EXPECT_EQ(page.find("sobra"), std::string::npos);
        EXPECT_EQ(page.find("<script"), std::string::npos);
        EXPECT_EQ(page.find("<img"), std::string::npos);
        EXPECT_EQ(page.find("@@field"), std::string::npos) << "a known directive is never shown as text";
    }
}

TEST_F(Render, OnlyWebAddressesBecomeLinks) {
    for (const std::string url : {"javascript:alert(1)", "file:///etc/passwd", "https://a b", "http://"}) {
        const std::string page = page_of("@@qr " + url);
        EXPECT_EQ(page.find("<a "), std::string::npos) << url;
        EXPECT_NE(page.find("<div class=\"mono\">"), std::string::npos) << url;
    }
}

TEST(ImageRules, OnlyAPlainFileNameOfTheProgramFolderIsEverRead) {
    for (const std::string name : {"logo.jpg", "logo_AAA010101AAA.png", "Fact ura.bmp",
                                   "\xf1"
                                   "o.gif"}) {
        EXPECT_TRUE(is_plain_file_name(name)) << name;
    }
    for (const std::string& name : std::vector<std::string>{
             "", ".", "..", "/etc/passwd", "..\\..\\x", "img/logo.jpg", "C:logo.jpg", "http://h/x.jpg", "a\tb.jpg",
             "x.jpg.", "x.jpg ", "CON", "nul.jpg", "com1.png", "LPT\xb9.jpg", "a*.jpg", std::string(256, 'a')}) {
        EXPECT_FALSE(is_plain_file_name(name)) << name;
    }
}

TEST(ImageRules, TheTypeComesFromTheSignatureAlone) {
    const struct {
        std::string bytes;
        const char* mime;
    } cases[] = {{kJpeg, "image/jpeg"},
                 {kPng, "image/png"},
                 {"GIF89a...", "image/gif"},
                 {"GIF87a", "image/gif"},
                 {kBmp, "image/bmp"},
                 {std::string("II*\0x", 5), "image/tiff"},
                 {std::string("MM\0*", 4), "image/tiff"},
                 {std::string("\0\0\1\0", 4), "image/x-icon"},
                 {"root:x:0:0", nullptr},
                 {"<svg onload=x>", nullptr},
                 {"GIF88a", nullptr},
                 {std::string("\xFF\xD8", 2), nullptr}};
    for (const auto& c : cases) {
        const char* mime = image_mime_of(c.bytes);
        EXPECT_EQ(std::string(mime ? mime : "-"), std::string(c.mime ? c.mime : "-")) << c.bytes;
    }
}

TEST_F(Render, ANameThatIsNoImageOfTheFolderShowsThePlaceholderAndIsNeverRead) {
    dir.write("secreto.jpg", kSecret);
    dir.write(dir.root() / "fuera.jpg", kJpeg + kSecret);
    dir.write("grande.png", kPng + std::string(10u << 20, 'g'));
    const bool pipe = make_fifo(dir.dir() / "tubo.jpg");
    const std::string document =
        "~D\"/etc/passwd\" ~A\"..\\fuera.jpg\" ~#D\"../fuera.jpg\" ~D\"secreto.jpg\" "
        "~D\"grande.png\" ~D\"tubo.jpg\" ~D\"falta.jpg\" ~D\"http://h/x.jpg\"";
    std::string page = page_of(document);
    EXPECT_EQ(count(page, "[imagen no disponible]"), 8u) << (pipe ? "a named pipe did not hold the renderer" : "");
    EXPECT_EQ(page.find("content:url"), std::string::npos);

    dir.write(kViewerSettings.placeholder_image, kJpeg);
    page = page_of(document);
    EXPECT_EQ(count(page, "[imagen no disponible]"), 0u);
    EXPECT_EQ(count(page, "content:url(\"data:image/jpeg;base64,"), 1u) << "the placeholder is stored once";
    EXPECT_EQ(count(page, "<span class=\"img i0\"></span>"), 8u);
    EXPECT_EQ(page.find("TUFSQ0FET1"), std::string::npos) << "no byte of the secret, even as Base64";
    const std::string passwd = read_file("/etc/passwd");
    if (!passwd.empty()) {
        EXPECT_EQ(page.find(passwd.substr(0, passwd.find('\n'))), std::string::npos);
    }
}

TEST_F(Render, RowsWithAnEmptyFirstCellStayWithTheRowAboveThemAndSpanTheirEmptyCells) {
    const std::string page = page_of(
        "@@table Clave\tDescripci\xf3n\t>Valor\t>Importe\r\n@@row a\tuno\t1.00\t1.00\r\n@@row \tIVA 16%\t\t0.16\r\n"
        "@@row \t\t\t0.02\r\n@@row b\tdos\t2.00\t2.00\r\n@@end\r\n@@table C\r\n@@row x\r\n@@row y");
    const char* const shown[] = {
        "<table class=\"grid grouped\">",
        "<tr><td>a</td><td>uno</td><td class=\"num\">1.00</td><td class=\"num\">1.00</td></tr>\n"
        "<tr><td></td><td colspan=\"2\">IVA 16%</td><td class=\"num\">0.16</td></tr>\n"
        "<tr><td></td><td></td><td class=\"num\"></td><td class=\"num\">0.02</td></tr>\n"
        "</tbody><tbody>\n<tr><td>b</td>",
        // A table without such rows is one body of rows, as it always was.
        "<tbody>\n<tr><td>x</td></tr>\n<tr><td>y</td></tr>\n</tbody></table>",
    };
    for (const char* text : shown) EXPECT_NE(page.find(text), std::string::npos) << text << "\n" << page;
    EXPECT_EQ(count(page, "grouped\""), 1u);
}

namespace {

// What a number prints as in DejaVu Sans, the widest face of the page: digits .636 em,
// the point and the comma .318; with the cell's padding of .6 em.
double printed_points(const std::string& number, double points) {
    double ems = 0.6;
    for (const char c : number) ems += c >= '0' && c <= '9' ? 0.636 : 0.318;
    return ems * points;
}

std::vector<double> column_shares(const std::string& group) {
    std::vector<double> shares;
    for (size_t at = group.find("width:"); at != std::string::npos; at = group.find("width:", at + 1)) {
        shares.push_back(std::stod(group.substr(at + 6)));
    }
    return shares;
}

}  // namespace

TEST(TableLayout, EveryNumberAndKeyFitsItsColumnWholeAtThePrintedSize) {
    const std::string concepts =
        "@@table Clave del producto o servicio\tNo. de identificaci\xf3n\t>Cantidad\tClave de unidad\tUnidad\t"
        "Descripci\xf3n\t>Valor unitario\t>Descuento\t>Importe\tObjeto de impuesto";
    const struct {
        std::vector<std::string> lines;
        std::map<size_t, std::string> numbers;  // column: its longest number
        bool small;
    } cases[] = {
        {{concepts,
          "@@row 86121700\t\t1\tE48\tServicio\tColegiatura de noviembre\t2,000.00\t100.00\t2,000.00\t02 - S\xed",
          "@@row \t\t\t\t\tTraslado 002 - IVA, Tasa 0.160000, base 1,900.00\t\t\t304.00"},
         {{0, "86121700"}, {6, "2,000.00"}, {7, "100.00"}, {8, "2,000.00"}},
         false},
        {{concepts,
          "@@row 43211914\tSCREEN5004\t1,250\tH87\tPIEZA\tPantalla\t1,234,567.89\t123,456.78\t1,234,567.89\t02"},
         {{0, "43211914"}, {2, "1,250"}, {6, "1,234,567.89"}, {7, "123,456.78"}, {8, "1,234,567.89"}},
         true},
        {{"@@table Documento relacionado (UUID)\tSerie\tFolio\tMoneda\t>Equivalencia o tipo de cambio\t>Parcialidad\t"
          ">Saldo anterior\t>Importe pagado\t>Saldo insoluto\tObjeto de impuesto",
          "@@row 00000000-1111-2222-3333-00000000000A\t\t\tMXN\t1\t2\t12,000.00\t12,000.00\t0.00\t02 - S\xed"},
         {{6, "12,000.00"}, {7, "12,000.00"}},
         false},
    };
    for (const auto& c : cases) {
        TableSurvey survey;
        for (const std::string& line : c.lines) survey_line(survey, parse_doc_line(line));
        ASSERT_EQ(survey.tables.size(), 1u);
        const TableLook look = look_of(survey.tables[0]);
        EXPECT_EQ(look.small, c.small) << c.lines[1];
        const std::vector<double> shares = column_shares(look.columns);
        double total = 0;
        for (const double share : shares) total += share;
        EXPECT_LE(total, 100.0);
        for (const auto& [column, number] : c.numbers) {
            // The table is 494 pt wide: 18 cm less its section's border and padding.
            EXPECT_GE(shares.at(column) / 100 * 494, printed_points(number, c.small ? 8 : 9)) << number;
        }
    }
}

TEST_F(Render, EachImageIsStoredOnceAndTheLineStaysLinear) {
    dir.write("logo.png", kPng);
    dir.write("foto.gif", "GIF89a");
    std::string line;
    for (int i = 0; i < 40000; ++i) line += i % 2 ? "~D\"logo.png\"" : "~A\"foto.gif\"";
    const auto start = std::chrono::steady_clock::now();
    const std::string page = page_of(line + "\r\n@@image ~D\"logo.png\"");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(count(page, "content:url("), 2u);
    EXPECT_EQ(count(page, "<span class=\"img i"), 40001u);
    EXPECT_LT(page.size(), 40001u * 32 + 16 * 1024);
}

TEST_F(Render, TheQrBitmapIsTheDocumentsStemAndOnlyABitmap) {
    dir.write("factura_1.bmp", kBmp);
    dir.write("otra.bmp", kPng);
    const struct {
        std::string stem;
        std::string document;
        std::string expected;  // where the QR code stands; empty: none
    } cases[] = {
        {"factura_1", "linea", "<p class=\"line\">linea</p>\n<div class=\"qr\"><span class=\"img i0\""},
        {"factura_1", "@@qr http://q\r\nfin", "<div class=\"qr\"><span class=\"img i0\" role=\"img\" aria-label=\"C"},
        {"otra", "linea", ""},
        {"ninguna", "@@qr http://q", ""},
    };
    for (const auto& c : cases) {
        const std::string page = page_of(c.document, c.stem);
        if (c.expected.empty()) {
            EXPECT_EQ(page.find("content:url"), std::string::npos) << c.stem;
            continue;
        }
        EXPECT_NE(page.find(c.expected), std::string::npos) << c.stem << "\n" << page;
        EXPECT_EQ(count(page, "class=\"img i0\""), 1u) << "shown once, where @@qr stands or after the last line";
    }
}

TEST(OpenSetting, QuendaCfgChoosesNothingAProgramOrTheDesktop) {
    const struct {
        std::string text;
        OpenWith with;
        std::string program;
    } cases[] = {
        {"", OpenWith::Desktop, ""},
        {"abrir=no\r\n", OpenWith::Nothing, ""},
        {" ABRIR = No \n", OpenWith::Nothing, ""},
        {"abrir=si\nabridor=grabador.exe\n", OpenWith::Program, "grabador.exe"},
        {"abridor=grabador.exe\nabrir=no", OpenWith::Nothing, ""},
        {"abridor=\notra=cosa\n", OpenWith::Desktop, ""},
    };
    for (const auto& c : cases) {
        const OpenSetting setting = parse_open_setting(c.text);
        EXPECT_EQ(setting.with, c.with) << c.text;
        EXPECT_EQ(setting.program, c.program) << c.text;
    }
}

namespace {

// The real renderer in a program folder of its own, with the recording double beside it.
class Renderer : public testing::Test {
protected:
    void SetUp() override { dir.add_stand_in(kViewerSettings.renderer_exe); }
    RunResult run(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {}) {
        std::map<std::string, std::string> with_log = env;
        with_log["RECORDER_LOG"] = dir.log().string();
        return run_program((dir.dir() / kViewerSettings.renderer_exe).string(), args, dir.work(), with_log);
    }
    fs::path page(const std::string& stem) const { return dir.dir() / "rendered" / (stem + ".html"); }
    // The opener is not waited for: its record may come a moment later.
    std::vector<std::vector<std::string>> starts_after_a_while() const {
        for (int i = 0; i < 300 && dir.starts().empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return dir.starts();
    }
    ProgramDir dir;
};

}  // namespace

TEST_F(Renderer, WritesThePageAndOpensItAsQuendaCfgSays) {
    dir.write(dir.work() / "factura.vqd", "hola");
    dir.write("Quenda.cfg", "abrir=no\r\n");
    RunResult r = run({(dir.work() / "factura.vqd").string(), "-x=C:\\f.xml", "-p", "<b>"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.messages, "");
    const std::string written = read_file(page("factura"));
    EXPECT_NE(written.find("<p class=\"params\">Par\xc3\xa1metros: -p &lt;b&gt;</p>"), std::string::npos) << written;
    EXPECT_TRUE(dir.starts().empty()) << "abrir=no opens nothing";
    EXPECT_TRUE(dir.files_ending(".part").empty());

    dir.add_double("grabador.exe");
    dir.write("Quenda.cfg", "abridor=grabador.exe\r\n");
    r = run({"factura.vqd"});
    EXPECT_EQ(r.exit_code, 0);
    const auto starts = starts_after_a_while();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0], (std::vector<std::string>{"grabador.exe", starts[0][1], page("factura").string()}));

    // An opener that fails is told about; the page is written all the same.
    r = run({"factura.vqd"}, {{"RECORDER_GRABADOR", "exit=3"}});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.messages, "Tesmira Viewer: No se pudo abrir la p\xc3\xa1gina " + page("factura").string() + "\n");
}

TEST_F(Renderer, WithoutASettingTheDesktopsHandlerOpensThePage) {
    if (on_windows()) GTEST_SKIP() << "the shell's own handler would open a browser";
    dir.write(dir.work() / "f.vqd", "hola");
    EXPECT_EQ(run({"f.vqd"}).exit_code, 0);
    const auto starts = starts_after_a_while();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0][0], opener_name());
    EXPECT_EQ(starts[0].back(), page("f").string());
}

TEST_F(Renderer, UsageUnreadableDocumentsAndUnwritablePagesEndWithTheirCodeAndAMessage) {
    dir.write("Quenda.cfg", "abrir=no\n");
    const bool pipe = make_fifo(dir.work() / "tubo.vqd");
    const struct {
        std::vector<std::string> args;
        int code;
        std::string message;
    } cases[] = {
        {{}, 2, "Tesmira Viewer: Uso: Quenda.exe DOCUMENTO \"-x=FACTURA\" [ARGUMENTOS]\n"},
        {{"falta.vqd"}, 3, "Tesmira Viewer: No se pudo leer el documento falta.vqd\n"},
        {{pipe ? "tubo.vqd" : "."},
         3,
         std::string("Tesmira Viewer: No se pudo leer el documento ") + (pipe ? "tubo.vqd\n" : ".\n")},
    };
    for (const auto& c : cases) {
        const RunResult r = run(c.args);
        EXPECT_EQ(r.exit_code, c.code);
        EXPECT_EQ(r.messages, c.message);
    }
    dir.write(dir.work() / "f.vqd", "hola");
    dir.write("rendered", "a file where the folder should be");
    const RunResult r = run({"f.vqd"});
    EXPECT_EQ(r.exit_code, 4);
    EXPECT_EQ(r.messages, "Tesmira Viewer: No se pudo escribir la p\xc3\xa1gina " + page("f").string() + "\n");
    EXPECT_TRUE(dir.starts().empty());
}

TEST_F(Renderer, FortyThousandReferencesOnOneLineMakeASmallPageQuickly) {
    dir.write("Quenda.cfg", "abrir=no\n");
    dir.write("logo.jpg", kJpeg + std::string(100000, 'j'));
    std::string line;
    for (int i = 0; i < 40000; ++i) line += "~D\"logo.jpg\"";
    dir.write(dir.work() / "muchas.vqd", line);
    const auto start = std::chrono::steady_clock::now();
    const RunResult r = run({"muchas.vqd"});
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(r.exit_code, 0);
    const auto size = fs::file_size(page("muchas"));
    std::cout << "40,000 references: page " << size << " bytes, " << took.count() << " ms, peak " << r.peak_memory_kb
              << " KB\n";
    EXPECT_LT(size, 2u << 20) << "one copy of the image, 40,000 short tags";
    EXPECT_LT(took, std::chrono::seconds(3));
    if (r.peak_memory_kb != -1) {
        EXPECT_LT(r.peak_memory_kb, 128 * 1024) << "room for the sanitizers' own; one copy per reference would be 4 GB";
    }
}
