// Invoices opened end to end through the real binary, with doubles that record
// their command lines, working directory and the document they were given.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "support/invoices.h"
#include "support/os.h"
#include "support/program_dir.h"

namespace {

const char* kUuid = kStampUuid;

std::string cfd22(const std::string& version = "2.2") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- CFD -->\n"
           "<Comprobante xmlns=\"http://www.sat.gob.mx/cfd/2\" VERSION=\"" + version + "\" total=\"10.00\">"
           "<Emisor rfc=\"ABC010203XY1\"/></Comprobante>\n";
}

class Dispatch : public testing::Test {
protected:
    void SetUp() override {
        dir.add_doubles_of_siblings();
        dir.add_double("visor.exe");
        dir.add_templates();
    }
    // The renderer keeps a copy of its document and notes whether the QR bitmap exists.
    std::map<std::string, std::string> renderer_env(const std::string& probe = "none.bmp") const {
        return {{"RECORDER_QUENDA", "keep=1>" + kept().string() + ";probe=" + probe}};
    }
    // The renderer's settings, with a converter that writes `document` as the vqd it produces.
    std::map<std::string, std::string> converter_env(const std::string& document) const {
        dir.write(dir.root() / "produced.vqd", document);
        auto env = renderer_env();
        env["RECORDER_OSTREL"] = "copy=" + (dir.root() / "produced.vqd").string() + ">3";
        return env;
    }
    fs::path kept() const { return dir.root() / "rendered.vqd"; }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& start : dir.starts()) out.push_back(start[0]);
        return out;
    }
    // The first recorded start of `name`; valid until the next call.
    const std::vector<std::string>* start_of(const std::string& name) const {
        starts_ = dir.starts();
        for (const auto& start : starts_) {
            if (start[0] == name) return &start;
        }
        return nullptr;
    }
    ProgramDir dir;
    mutable std::vector<std::vector<std::string>> starts_;
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(Dispatch, EmbeddedDocumentIsConvertedLocalisedDecodedAndRendered) {
    dir.write("logo.jpg", "jpg");
    dir.write(dir.work() / "F001.xml",
              cfdi32("<fa:vqd xmlns:fa=\"urn:fa\">\n  Caf\xc3\xa9 $amp$ ~D\"img/logo.jpg\"\n100 \xe2\x82\xac"
                     " fin</fa:vqd>"));
    auto env = renderer_env("*.bmp");
    env["RECORDER_MARBET"] = "copy=" + (dir.dir() / "logo.jpg").string() + ">2";
    const RunResult r = dir.run({"F001.xml", "-p", "copia"}, env);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.messages, "");
    EXPECT_EQ(names(), (Names{"Marbet.exe", "Quenda.exe"}));

    const auto* marbet = start_of("Marbet.exe");
    ASSERT_TRUE(marbet);
    const std::string bitmap = marbet->at(3);
    EXPECT_EQ(std::vector<std::string>(marbet->begin() + 2, marbet->end()),
              (Names{"-o", bitmap, "-z", "10", "-t", "BMP",
                     "?re=AAA010101AAA&rr=XAXX010101000&tt=1160.00&id=" + std::string(kUuid)}));

    const auto* quenda = start_of("Quenda.exe");
    ASSERT_TRUE(quenda);
    ASSERT_EQ(quenda->size(), 7u);
    EXPECT_EQ((*quenda)[1], dir.dir().string());
    EXPECT_TRUE(std::regex_match((*quenda)[2], std::regex("F001_[0-9]{31}\\.vqd"))) << (*quenda)[2];
    EXPECT_EQ(bitmap, (*quenda)[2].substr(0, (*quenda)[2].size() - 4) + ".bmp") << "the document's own bitmap";
    EXPECT_EQ((*quenda)[3], "-x=" + (dir.work() / "F001.xml").string());
    EXPECT_EQ((*quenda)[4], "-p");
    EXPECT_EQ((*quenda)[5], "copia");
    EXPECT_EQ((*quenda)[6], "probe=1") << "the QR bitmap exists while the renderer runs";
    EXPECT_EQ(read_file(kept()), "Caf\xe9 & ~D\"logo.jpg\"\r\n100 ? fin");

    EXPECT_TRUE(dir.files_ending(".vqd").empty()) << "temporary document deleted";
    EXPECT_TRUE(dir.files_ending(".bmp").empty()) << "QR bitmap deleted";
}

TEST_F(Dispatch, EmbeddedDocumentLargerThanTheParsersTextNodeLimitIsRenderedWhole) {
    std::string text;
    std::string expected;  // decoded, with the line ends of a text-mode file
    for (int i = 0; text.size() < (12u << 20); ++i) {
        text += "linea " + std::to_string(i) + " con $e$\n";
        expected += "linea " + std::to_string(i) + " con \xe9\r\n";
    }
    dir.write(dir.work() / "big.xml", cfdi32("<vqd>" + text + "</vqd>", "not-a-uuid"));
    const RunResult r = dir.run({"big.xml"}, renderer_env());
    EXPECT_EQ(r.exit_code, 0) << r.messages;
    EXPECT_TRUE(read_file(kept()) == expected) << "the renderer's document is the whole text, decoded";
}

TEST_F(Dispatch, EmbeddedDocumentLineEndsAreConvertedWhateverTheLineLengths) {
    // Lines longer than any write buffer, lines ending right at its edges, and runs of empty lines.
    std::string text;
    std::string expected;
    for (const size_t length : {200000u, 65534u, 65535u, 65536u, 0u, 0u, 1u, 131070u, 3u}) {
        text += std::string(length, 'a' + length % 26) + "\n";
        expected += std::string(length, 'a' + length % 26) + "\r\n";
    }
    text += "sin salto final";
    expected += "sin salto final";
    dir.write(dir.work() / "lines.xml", cfdi32("<vqd>" + text + "</vqd>", "not-a-uuid"));
    const RunResult r = dir.run({"lines.xml"}, renderer_env());
    EXPECT_EQ(r.exit_code, 0) << r.messages;
    EXPECT_TRUE(read_file(kept()) == expected) << "every byte kept, every line end converted";
}

TEST_F(Dispatch, ADocumentCutShortByAFailedWriteNeverReachesTheRenderer) {
    if (!limit_children_file_size(100 * 1024)) GTEST_SKIP() << "no file size limit for a child here";
    struct Restore {
        ~Restore() { limit_children_file_size(0); }
    } restore;
    // One line longer than the write buffer; short lines; and a line whose last
    // bytes are left to the close, which alone fails.
    std::string short_lines;
    for (int i = 0; i < 2000; ++i) short_lines += std::string(99, 'b') + "\n";
    for (const std::string& text : {std::string(150000, 'a'), short_lines, std::string(102500, 'a')}) {
        dir.write(dir.work() / "long.xml", cfdi32("<vqd>" + text + "</vqd>", "not-a-uuid"));
        const RunResult r = dir.run({"long.xml"});
        EXPECT_NE(r.exit_code, 0);
        EXPECT_NE(r.messages, "");
        EXPECT_FALSE(start_of("Quenda.exe"));
        EXPECT_TRUE(dir.files_ending(".vqd").empty());
    }
}

TEST_F(Dispatch, EmbeddedDocumentInCdataOrMixedSectionsIsReadWhole) {
    dir.write(dir.work() / "cdata.xml", cfdi32("<vqd><![CDATA[a <b> $amp$]]></vqd>", "not-a-uuid"));
    EXPECT_EQ(dir.run({"cdata.xml"}, renderer_env()).exit_code, 0);
    EXPECT_EQ(read_file(kept()), "a <b> &");

    dir.write(dir.work() / "mixed.xml", cfdi32("<vqd>uno $e$ <![CDATA[<dos>]]> tres<!-- nota --> cuatro</vqd>",
                                               "not-a-uuid"));
    EXPECT_EQ(dir.run({"mixed.xml"}, renderer_env()).exit_code, 0);
    EXPECT_EQ(read_file(kept()), "uno \xe9 <dos> tres cuatro");
}

TEST_F(Dispatch, EmbeddedVersionDecidesDecoding) {
    dir.write(dir.work() / "v10.xml", cfdi32("<vqd version=\"1.0\">a $amp$ b</vqd>"));
    EXPECT_EQ(dir.run({"v10.xml"}, renderer_env()).exit_code, 0);
    EXPECT_EQ(read_file(kept()), "a $amp$ b");

    dir.write(dir.work() / "v20.xml", cfdi32("<vqd version=\"2.0\">a</vqd>"));
    const RunResult r = dir.run({"v20.xml"}, renderer_env());
    EXPECT_EQ(r.exit_code, exit_code_as_seen(505));
    EXPECT_EQ(r.messages, "Tesmira Viewer: Version de VQD 2.0 no es soportada en esta instalaci\xc3\xb3n\n");
    EXPECT_EQ(names(), (Names{"Marbet.exe", "Quenda.exe", "Marbet.exe"}));
}

TEST_F(Dispatch, UnsafeQrValuesRunNoQrTool) {
    const std::string cases[][2] = {
        {"80824F3B-323E-407B-8F8E-40D83FE2E6&quot;F", "AAA010101AAA"},
        {"..\\..\\..\\dir\\x-323E-407B-8F8E-40D83F", "AAA010101AAA"},
        {"80824F3B-323E-407B-8F8E-40D83FE2E69F", "AAA -o evil"},
        {"80824F3B-323E-407B-8F8E-40D83FE2E69F0", "AAA010101AAA"},
        {"not-a-uuid", "AAA010101AAA"},
    };
    for (const auto& c : cases) {
        dir.write(dir.work() / "x.xml", cfdi32("<vqd>x</vqd>", c[0], c[1]));
        EXPECT_EQ(dir.run({"x.xml"}, renderer_env()).exit_code, 0);
    }
    EXPECT_EQ(names(), (Names(5, "Quenda.exe")));
}

TEST_F(Dispatch, GenericTemplateRendersTheConvertersDocumentWithLocalImages) {
    dir.write("logo_ABC010203XY1.jpg", "jpg");
    dir.write(dir.work() / "cfd.xml", cfd22());
    const auto env = converter_env("~D\"logo_ABC010203XY1.jpg\"\nFactura\n");
    const RunResult r = dir.run({"cfd.xml"}, env);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(names(), (Names{"Ostrel.exe", "Quenda.exe"}));
    ASSERT_TRUE(start_of("Ostrel.exe"));
    const std::vector<std::string> ostrel_start = *start_of("Ostrel.exe");
    const auto* ostrel = &ostrel_start;
    ASSERT_EQ(ostrel->size(), 7u);
    EXPECT_EQ((*ostrel)[2], (dir.work() / "cfd.xml").string());
    EXPECT_EQ((*ostrel)[3], "PlantillaVQDGenerica.Fat");
    EXPECT_TRUE(std::regex_match((*ostrel)[4], std::regex("cfd_[0-9]{31}\\.vqd")));
    EXPECT_EQ((*ostrel)[5], "-c");
    EXPECT_EQ((*ostrel)[6], "OstrelGenerico.cfg");
    EXPECT_EQ(start_of("Quenda.exe")->at(2), (*ostrel)[4]);
    EXPECT_EQ(read_file(kept()), "~D\"logo_ABC010203XY1.jpg\"\nFactura\n");
    EXPECT_TRUE(dir.files_ending(".vqd").empty());
}

TEST_F(Dispatch, GenericTemplateWithoutOutputGives506) {
    dir.write(dir.work() / "cfd.xml", cfd22());
    const RunResult r = dir.run({"cfd.xml"}, renderer_env());
    EXPECT_EQ(r.exit_code, exit_code_as_seen(506));
    EXPECT_EQ(r.messages,
              "Tesmira Viewer: Ha ocurrido un problema en el uso de la plantilla gen\xc3\xa9rica de visualizaci\xc3\xb3n\n");
    EXPECT_EQ(names(), (Names{"Ostrel.exe"}));
}

TEST_F(Dispatch, IssuerCommandEndsTheRunOrFallsBackToTheTemplate) {
    dir.write("tableRFC.cfg", "ABC010203XY1=visor.exe \"$file$\" %2%\r\n");
    dir.write(dir.work() / "cfd.xml", cfd22());
    EXPECT_EQ(dir.run({"cfd.xml", "extra"}).exit_code, 0);
    EXPECT_EQ(names(), (Names{"visor.exe"}));
    const auto* visor = start_of("visor.exe");
    EXPECT_EQ(std::vector<std::string>(visor->begin() + 2, visor->end()),
              (Names{(dir.work() / "cfd.xml").string(), "extra"}));

    const RunResult r = dir.run({"cfd.xml"}, {{"RECORDER_VISOR", "exit=3"}});
    EXPECT_EQ(r.exit_code, exit_code_as_seen(506));
    EXPECT_EQ(names(), (Names{"visor.exe", "visor.exe", "Ostrel.exe"}));
}

TEST_F(Dispatch, VersionOutsideTheTableRunsNoConverter) {
    dir.write(dir.work() / "v99.xml", cfd22("9.9"));
    EXPECT_EQ(dir.run({"v99.xml"}).exit_code, exit_code_as_seen(506));
    EXPECT_TRUE(names().empty());
}

TEST_F(Dispatch, InputThatDoesNotParseIsDecryptedIntoACopyOfTheRunsOwnThatGoesWithIt) {
    dir.write(dir.root() / "plain.xml", cfdi32("<vqd>descifrado</vqd>"));
    dir.write(dir.work() / "F1.xml", "SELVAR1\nnot xml");
    auto env = renderer_env();
    env["RECORDER_SELVAR"] = "copy=" + (dir.root() / "plain.xml").string() + ">2";
    const RunResult r = dir.run({"F1.xml"}, env);
    EXPECT_EQ(r.exit_code, 0);
    const auto* selvar = start_of("Selvar.exe");
    ASSERT_TRUE(selvar);
    const std::string copy = selvar->at(3);
    EXPECT_EQ(std::vector<std::string>(selvar->begin() + 2, selvar->end()),
              (Names{(dir.work() / "F1.xml").string(), copy, "-c", "<Comprobante"}));
    EXPECT_TRUE(std::regex_match(copy, std::regex("F1_[0-9]{31}\\.xml\\.dec"))) << copy;
    const auto* quenda = start_of("Quenda.exe");
    EXPECT_EQ(quenda->at(2), copy.substr(0, copy.size() - 8) + ".vqd") << "named after the input as given";
    EXPECT_EQ(quenda->at(3), "-x=" + (dir.dir() / copy).string());
    EXPECT_EQ(read_file(kept()), "descifrado");
    EXPECT_TRUE(dir.files_ending(".dec").empty()) << "no decrypted invoice stays on disk";
}

TEST_F(Dispatch, FailedOrUnusableDecryptionEndsTheRunAndSaysWhyTheInputDidNotParse) {
    const std::string prefix = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<cfdi:Comprobante xmlns:cfdi=\"urn:c\" ";
    const std::string inputs[] = {
        "",                                               // an empty file
        "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n1 0 obj\n",          // a PDF
        std::string("\x00\x9f\x13garbage\xff", 11),       // random bytes
        prefix + "Nombre=\"Jos\xe9\"/>",                     // Latin-1 under a UTF-8 declaration
        prefix + "Nombre=\"a<b\"/>",                        // a "<" inside an attribute
    };
    for (const std::string& input : inputs) {
        dir.write(dir.work() / "F1.xml", input);
        const RunResult r = dir.run({"F1.xml"}, {{"RECORDER_SELVAR", "exit=5"}});
        EXPECT_EQ(r.exit_code, 5) << input;
        EXPECT_EQ(r.messages.rfind("Tesmira Viewer: Error intentando desencriptar archivo\nXML Error #", 0), 0u)
            << r.messages;
        EXPECT_NE(r.messages.find("F1.xml"), std::string::npos) << r.messages;
        EXPECT_TRUE(dir.files_ending(".dec").empty());
    }

    dir.write(dir.root() / "still-bad", "<still");
    const RunResult r =
        dir.run({"F1.xml"}, {{"RECORDER_SELVAR", "copy=" + (dir.root() / "still-bad").string() + ">2"}});
    EXPECT_NE(r.exit_code, 0);
    EXPECT_EQ(r.messages.rfind("Tesmira Viewer: Error intentando desencriptar archivo\nXML Error #", 0), 0u)
        << r.messages;
    EXPECT_TRUE(std::regex_search(r.messages, std::regex("F1_[0-9]{31}\\.xml\\.dec"))) << r.messages;
}

TEST_F(Dispatch, ADecrypterThatCannotStartIsToldOnlyByTheRunner) {
    fs::remove(dir.dir() / "Selvar.exe");
    dir.write(dir.work() / "F1.xml", "%PDF-1.4\n");
    const RunResult r = dir.run({"F1.xml"});
    EXPECT_EQ(r.exit_code, exit_code_as_seen(507));
    EXPECT_NE(r.messages.find("Error #507: Se encontro un error al intentar ejecutar comando: Selvar.exe"),
              std::string::npos)
        << r.messages;
    EXPECT_EQ(r.messages.find("desencriptar"), std::string::npos) << r.messages;
}

TEST_F(Dispatch, FileWithoutComprobanteRendersAnEmbeddedDocumentOrIsOpenedAsItIs) {
    dir.write(dir.work() / "other.xml", "<r><x:vqd xmlns:x=\"urn:any\">hola</x:vqd></r>");
    EXPECT_EQ(dir.run({"other.xml"}, renderer_env()).exit_code, 0);
    EXPECT_EQ(read_file(kept()), "hola");
    dir.write(dir.work() / "retenciones.xml",
              "<retenciones:Retenciones xmlns:retenciones=\"http://www.sat.gob.mx/esquemas/retencionpago/1\" "
              "Version=\"1.0\"/>");
    const RunResult r = dir.run({"retenciones.xml"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.messages, "");
    // The opener is not waited for: its record may come a moment later.
    for (int i = 0; i < 500 && dir.starts().size() < 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto* opener = start_of(opener_name());
    ASSERT_TRUE(opener);
    std::string path = (dir.work() / "retenciones.xml").string();
    for (char& c : path) c = c == '\\' ? '/' : c;
    const std::string url = path[0] == '/' ? "file://" + path : "file:///" + path;
    EXPECT_EQ(opener->back(), url);
}

TEST_F(Dispatch, TenArgumentsAtMostEachCutTo259) {
    dir.write(dir.work() / "a.xml", cfdi32("<vqd>x</vqd>"));
    std::vector<std::string> args = {"a.xml", std::string(300, 'L')};
    for (int i = 0; i < 10; ++i) args.push_back("arg" + std::to_string(i));
    EXPECT_EQ(dir.run(args, renderer_env()).exit_code, 0);
    const auto* quenda = start_of("Quenda.exe");
    ASSERT_EQ(quenda->size(), 2u + 2u + 9u + 1u);
    EXPECT_EQ(quenda->at(4), std::string(259, 'L'));
    EXPECT_EQ(quenda->at(12), "arg7");
}

TEST_F(Dispatch, RendererThatCannotStartGives507AndLeavesNoDocument) {
    fs::remove(dir.dir() / "Quenda.exe");
    dir.write(dir.work() / "a.xml", cfdi32("<vqd>x</vqd>"));
    const RunResult r = dir.run({"a.xml"});
    EXPECT_EQ(r.exit_code, exit_code_as_seen(507));
    EXPECT_NE(r.messages.find("Error #507: Se encontro un error al intentar ejecutar comando: Quenda.exe \"a_"),
              std::string::npos)
        << r.messages;
    EXPECT_TRUE(dir.files_ending(".vqd").empty());
}

TEST_F(Dispatch, RealInvoicesOpenAsTheirContentSays) {
    fs::copy_file(fs::path(TEST_CORPUS_DIR) / "cfdv32-ejemplo-satcfdi.xml", dir.work() / "sat.xml");
    EXPECT_EQ(dir.run({"sat.xml"}).exit_code, exit_code_as_seen(506));
    EXPECT_EQ(names(), (Names{"Marbet.exe", "Ostrel.exe"})) << "the receiver E&\xc3\x91... is a safe value";
    const auto* marbet = start_of("Marbet.exe");
    EXPECT_EQ(marbet->back(), "?re=AAA010101AAA&rr=E&\xd1" "831019M53&tt=40600.00&id=e403f396-6a57-4625-adb4-bb436b00789f");
    EXPECT_EQ(start_of("Ostrel.exe")->at(3), "PlantillaVQDGenericaCFDI.Fat");

    // CFDI 3.3 and 4.0 reach their own templates once installed; the QR code carries the SAT's verification text.
    dir.add_newer_templates();
    const std::string sat = "https://verificacfdi.facturaelectronica.sat.gob.mx/default.aspx?id=";
    const struct {
        const char* file;
        const char* template_file;
        std::string qr;  // empty: unstamped, no QR step
    } modern[] = {
        {"cfdi33-real-cfdiutils.xml", "PlantillaVQDGenericaCFDI33.Fat",
         sat + "CEE4BE01-ADFA-4DEB-8421-ADD60F0BEDAC&re=POT9207213D6&rr=DIM8701081LA&tt=2010.01&fe=/OAgdg=="},
        {"cfdi40-real-cfdiutils.xml", "PlantillaVQDGenericaCFDI40.Fat",
         sat + "04BF2854-FE7D-4377-9196-71248F060ABB&re=CSM190311AH6&rr=MCI7306249Y1&tt=459.36&fe=5tSZhA=="},
        {"cfdi40-valid-cfdiutils.xml", "PlantillaVQDGenericaCFDI40.Fat",
         sat + "3680B4AB-7D42-570A-9618-4A7D6701C44D&re=EKU9003173C9&rr=CUSC850516316&tt=1.16&fe=qsIe6w=="},
        {"cfdi40-descuentos-cfdiutils.xml", "PlantillaVQDGenericaCFDI40.Fat", ""},
        {"cfdi40-pagos20-cfdiutils.xml", "PlantillaVQDGenericaCFDI40.Fat", ""},
    };
    for (const auto& invoice : modern) {
        fs::remove(dir.log());
        fs::copy_file(fs::path(TEST_CORPUS_DIR) / invoice.file, dir.work() / invoice.file);
        EXPECT_EQ(dir.run({invoice.file}).exit_code, exit_code_as_seen(506)) << invoice.file;
        ASSERT_TRUE(start_of("Ostrel.exe")) << invoice.file;
        EXPECT_EQ(start_of("Ostrel.exe")->at(3), invoice.template_file);
        const auto* marbet = start_of("Marbet.exe");
        EXPECT_EQ(marbet ? marbet->back() : "", invoice.qr) << invoice.file;
    }
}

TEST_F(Dispatch, AnUndeclaredDefaultNamespaceHidesNeitherTheInvoiceNorItsDocument) {
    dir.write(dir.work() / "cfd20.xml",
              "<Comprobante xmlns=\"http://www.sat.gob.mx/cfd/2\" version=\"2.0\"><Emisor rfc=\"ABC010203XY1\"/>"
              "<Addenda><x xmlns=\"\"/></Addenda></Comprobante>");
    EXPECT_EQ(dir.run({"cfd20.xml"}).exit_code, exit_code_as_seen(506));
    EXPECT_EQ(names(), (Names{"Ostrel.exe"})) << "the generic template was tried";
    fs::remove(dir.log());
    dir.write(dir.work() / "cfdi32.xml", cfdi32("<vqd>hola</vqd><cfdi:Addenda><x xmlns=\"\"/></cfdi:Addenda>"));
    EXPECT_EQ(dir.run({"cfdi32.xml"}, renderer_env()).exit_code, 0);
    EXPECT_EQ(read_file(kept()), "hola");
}

TEST_F(Dispatch, AnAddendaThatRebindsTheInvoicesPrefixesHidesNothing) {
    const std::string addenda = "<cfdi:Addenda><cfdi:Otro xmlns:cfdi=\"http://www.sat.gob.mx/cfd/4\"/>"
                                "<tfd:Otro xmlns:tfd=\"urn:otro\"/></cfdi:Addenda>";
    dir.write(dir.work() / "f.xml", cfdi32("<vqd>hola</vqd>" + addenda));
    EXPECT_EQ(dir.run({"f.xml"}, renderer_env()).exit_code, 0);
    EXPECT_EQ(names(), (Names{"Marbet.exe", "Quenda.exe"})) << "the QR code read the stamp's UUID";
    EXPECT_EQ(read_file(kept()), "hola");
}

TEST_F(Dispatch, NamespaceDeclarationsCostTimeInProportionToTheirNumber) {
    // Each element declares a prefix of its own; time grows with their number, not its square.
    const auto open_with = [&](int count) {
        std::string addenda = "<cfdi:Addenda>";
        for (int i = 0; i < count; ++i) {
            addenda += "<p" + std::to_string(i) + ":x xmlns:p" + std::to_string(i) + "=\"urn:p" + std::to_string(i) + "\"/>";
        }
        dir.write(dir.work() / "f.xml", cfdi32("<vqd>hola</vqd>" + addenda + "</cfdi:Addenda>"));
        // The best of three runs: a loaded machine slows some runs, never all.
        double best = 1e9;
        for (int run = 0; run < 3; ++run) {
            const auto start = std::chrono::steady_clock::now();
            EXPECT_EQ(dir.run({"f.xml"}, renderer_env()).exit_code, 0);
            best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        EXPECT_EQ(read_file(kept()), "hola");
        return best;
    };
    const double small = open_with(5000);
    const double large = open_with(40000);
    // Eight times the declarations: linear is about eight times the time, quadratic sixty-four.
    EXPECT_LT(large, 8 * 3 * small + 0.5) << small << " s, then " << large << " s";
}

TEST_F(Dispatch, AStaleDecryptedCopyIsNeverShownAsTheCurrentInvoice) {
    dir.write("enc.xml.dec", cfdi32("<vqd>factura anterior</vqd>"));
    dir.write(dir.work() / "enc.xml", "not xml at all");
    const RunResult r = dir.run({"enc.xml"}, renderer_env());  // the decrypter double writes nothing
    EXPECT_NE(r.messages.find("Error intentando desencriptar archivo"), std::string::npos) << r.messages;
    EXPECT_EQ(names(), (Names{"Selvar.exe"}));
    EXPECT_EQ(dir.files_ending(".dec"), (Names{"enc.xml.dec"})) << "the run's own copy is gone";
}

TEST_F(Dispatch, APathWithBlanksReachesEverySiblingAsOneArgument) {
    dir.write(dir.work() / "mis facturas" / "f 1.xml", cfd22());
    dir.write(dir.work() / "mis facturas" / "e 1.xml", "not xml at all");
    const std::string folder = std::string("mis facturas") + platform_dir_separator();
    const auto has = [](const std::vector<std::string>* start, const std::string& argument) {
        return start && std::find(start->begin(), start->end(), argument) != start->end();
    };
    const auto env = converter_env("Factura\n");
    EXPECT_EQ(dir.run({folder + "f 1.xml"}, env).exit_code, 0);
    const std::string plain = (dir.work() / "mis facturas" / "f 1.xml").string();
    EXPECT_TRUE(has(start_of("Ostrel.exe"), plain));
    EXPECT_TRUE(has(start_of("Quenda.exe"), "-x=" + plain));
    dir.run({folder + "e 1.xml"}, renderer_env());
    EXPECT_TRUE(has(start_of("Selvar.exe"), (dir.work() / "mis facturas" / "e 1.xml").string()));
}

TEST_F(Dispatch, IssuerCommandsGetThePathAsItIsAndEveryArgumentWhole) {
    dir.write("tableRFC.cfg", "ABC010203XY1=visor.exe $file$ %2% %3%\n");
    dir.write(dir.work() / "d%x%" / "t.xml", cfd22());
    const std::string input = std::string("d%x%") + platform_dir_separator() + "t.xml";
    // Single quotes group for the viewer's own splitting (Windows) and for the shell's (POSIX) alike.
    EXPECT_EQ(dir.run_line(input + " 'q\"uo te' 'dir\\'").exit_code, 0);
    const auto* visor = start_of("visor.exe");
    ASSERT_TRUE(visor);
    EXPECT_EQ(std::vector<std::string>(visor->begin() + 2, visor->end()),
              (Names{(dir.work() / "d%x%" / "t.xml").string(), "q\"uo te", "dir\\"}));
}

namespace {

std::string cfdi40(const std::string& issuer, const std::string& receiver, const std::string& total,
                   const std::string& seal, const std::string& stamp, const std::string& inner = "") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<cfdi:Comprobante xmlns:cfdi=\"http://www.sat.gob.mx/cfd/4\" Version=\"4.0\" Total=\"" + total + "\"" + seal +
           "><cfdi:Emisor Rfc=\"" + issuer + "\"/><cfdi:Receptor Rfc=\"" + receiver + "\"/>" + stamp + inner +
           "</cfdi:Comprobante>\n";
}

std::string stamp(const std::string& uuid) {
    return "<cfdi:Complemento><tfd:TimbreFiscalDigital xmlns:tfd=\"http://www.sat.gob.mx/TimbreFiscalDigital\" "
           "Version=\"1.1\" UUID=\"" + uuid + "\"/></cfdi:Complemento>";
}

}  // namespace

TEST_F(Dispatch, NewerInvoicesRunTheirTemplateOnlyWhereItIsInstalled) {
    const std::string uuid = "3680b4ab-7d42-570a-9618-4a7d6701c44d";
    dir.write(dir.work() / "f.xml", cfdi40("EKU9003173C9", "XAXX010101000", "1.16", "", stamp(uuid)));
    const RunResult bare = dir.run({"f.xml"});
    EXPECT_EQ(bare.exit_code, exit_code_as_seen(506));
    EXPECT_EQ(bare.messages,
              "Tesmira Viewer: Ha ocurrido un problema en el uso de la plantilla gen\xc3\xa9rica de visualizaci\xc3\xb3n\n");
    EXPECT_EQ(names(), (Names{"Marbet.exe"}));

    dir.add_newer_templates();
    const auto env = converter_env("Factura 4.0\n");
    fs::remove(dir.log());
    EXPECT_EQ(dir.run({"f.xml"}, env).exit_code, 0);
    EXPECT_EQ(names(), (Names{"Marbet.exe", "Ostrel.exe", "Quenda.exe"}));
    EXPECT_EQ(start_of("Ostrel.exe")->at(3), "PlantillaVQDGenericaCFDI40.Fat");
    EXPECT_EQ(start_of("Ostrel.exe")->at(6), "OstrelGenericoCFDI40.cfg");
    EXPECT_EQ(read_file(kept()), "Factura 4.0\n");
}

TEST_F(Dispatch, NewerQrCodesCarryTheSatsVerificationText) {
    const std::string sat = "https://verificacfdi.facturaelectronica.sat.gob.mx/default.aspx?id=";
    const std::string uuid = "3680b4ab-7d42-570a-9618-4a7d6701c44d";
    const struct {
        std::string invoice;
        std::string text;  // empty: no QR step
    } cases[] = {
        {cfdi40("E&amp;K9003173C9", "\xc3\x91" "AB010101AB1", "0001234.50", " Sello=\"abc=\"", stamp(uuid)),
         sat + uuid + "&re=E&amp;K9003173C9&rr=\xd1" "AB010101AB1&tt=1234.5&fe=abc="},
        {cfdi40("EKU9003173C9", "XAXX010101000", "398.390000", " Sello=\"0123456789+/==\"", stamp(uuid)),
         sat + uuid + "&re=EKU9003173C9&rr=XAXX010101000&tt=398.39&fe=6789+/=="},
        {cfdi40("EKU9003173C9", "XAXX010101000", "0", "", stamp(uuid)),
         sat + uuid + "&re=EKU9003173C9&rr=XAXX010101000&tt=0.0&fe="},
        {cfdi40("EKU9003173C9", "XAXX010101000", "1.16", "", ""), ""},                     // no stamp
        {cfdi40("EKU9003173C9", "XAXX010101000", "1,16", "", stamp(uuid)), ""},            // not the SAT's total
        {cfdi40("EKU 9003173C9", "XAXX010101000", "1.16", "", stamp(uuid)), ""},           // a blank in an RFC
        {cfdi40("EKU9003173C9", "XAXX010101000", "1.16", " Sello=\"0123&#xD;&#xA;4567 89&#xA;ab\"", stamp(uuid)),
         sat + uuid + "&re=EKU9003173C9&rr=XAXX010101000&tt=1.16&fe=456789ab"},  // a wrapped seal
        {cfdi40("EKU9003173C9", "XAXX010101000", "1.16", " Sello=\"ab&#x1;cd\"", stamp(uuid)), ""},  // a control in the seal
    };
    for (const auto& c : cases) {
        fs::remove(dir.log());
        dir.write(dir.work() / "f.xml", c.invoice);
        dir.run({"f.xml"});
        const auto* marbet = start_of("Marbet.exe");
        ASSERT_EQ(marbet != nullptr, !c.text.empty()) << c.text;
        if (!marbet) continue;
        EXPECT_EQ(std::vector<std::string>(marbet->begin() + 2, marbet->end()),
                  (Names{"-o", marbet->at(3), "-z", "10", "-t", "BMP", c.text}));
        EXPECT_TRUE(std::regex_match(marbet->at(3), std::regex("f_[0-9]{31}\\.bmp"))) << "named after the run";
    }
}

TEST_F(Dispatch, NewerInvoicesTakeTheIssuersCommandAndTheirEmbeddedDocument) {
    dir.write("tableRFC.cfg", "EKU9003173C9=visor.exe $file$\n");
    dir.write(dir.work() / "f.xml", cfdi40("EKU9003173C9", "XAXX010101000", "1.16", "", ""));
    EXPECT_EQ(dir.run({"f.xml"}).exit_code, 0);
    EXPECT_EQ(names(), (Names{"visor.exe"}));

    fs::remove(dir.log());
    dir.write(dir.work() / "e.xml", cfdi40("EKU9003173C9", "XAXX010101000", "1.16", "", "", "<vqd>hola $amp$</vqd>"));
    EXPECT_EQ(dir.run({"e.xml"}, renderer_env()).exit_code, 0);
    EXPECT_EQ(names(), (Names{"Quenda.exe"}));
    EXPECT_EQ(read_file(kept()), "hola &");
}

TEST_F(Dispatch, FileNamesWithQuotesOrATrailingBackslashReachTheSiblingsWhole) {
    if (on_windows()) GTEST_SKIP() << "Windows file names hold neither";
    const std::string ready = "x\" \"--evil.vqd";
    dir.write(dir.work() / ready, "doc");
    EXPECT_EQ(dir.run({ready}).exit_code, 0);
    EXPECT_EQ(*start_of("Quenda.exe"), (Names{"Quenda.exe", dir.dir().string(), (dir.work() / ready).string()}));

    fs::remove(dir.log());
    const std::string invoice = "y\" \"--evil.xml";
    dir.write(dir.work() / invoice, cfdi32("<vqd>hola</vqd>", "not-a-uuid"));
    EXPECT_EQ(dir.run({invoice, "a \"b\" c\\"}).exit_code, 0);
    const auto* quenda = start_of("Quenda.exe");
    ASSERT_TRUE(quenda);
    ASSERT_EQ(quenda->size(), 5u);
    EXPECT_TRUE(std::regex_match((*quenda)[2], std::regex("y\" \"--evil_[0-9]{31}\\.vqd"))) << (*quenda)[2];
    EXPECT_EQ((*quenda)[3], "-x=" + (dir.work() / invoice).string());
    EXPECT_EQ((*quenda)[4], "a \"b\" c\\");

    fs::remove(dir.log());
    const std::string encrypted = "z\\";
    dir.write(dir.work() / encrypted, "not xml at all");
    dir.run({encrypted}, {{"RECORDER_SELVAR", "exit=4"}});
    const auto* selvar = start_of("Selvar.exe");
    ASSERT_TRUE(selvar);
    ASSERT_EQ(selvar->size(), 6u);
    EXPECT_EQ((*selvar)[2], (dir.work() / encrypted).string());
    EXPECT_TRUE(std::regex_match((*selvar)[3], std::regex("z\\\\_[0-9]{31}\\.xml\\.dec"))) << (*selvar)[3];
}

namespace {

// A retenciones document of `version` ("1.0" or "2.0") with `receiver` inside its
// Receptor, a total of `total` and, when given, a stamp of `uuid`.
std::string retenciones(const std::string& version, const std::string& issuer, const std::string& receiver,
                        const std::string& total, const std::string& uuid, const std::string& seal = "") {
    const bool v1 = version == "1.0";
    return "<retenciones:Retenciones xmlns:retenciones=\"http://www.sat.gob.mx/esquemas/retencionpago/" +
           std::string(v1 ? "1" : "2") + "\" xmlns:tfd=\"http://www.sat.gob.mx/TimbreFiscalDigital\" Version=\"" +
           version + "\"" + (seal.empty() ? "" : " Sello=\"" + seal + "\"") + "><retenciones:Emisor " +
           (v1 ? "RFCEmisor" : "RfcE") + "=\"" + issuer + "\"/><retenciones:Receptor>" + receiver +
           "</retenciones:Receptor><retenciones:Totales " + (v1 ? "montoTotOperacion" : "MontoTotOperacion") +
           "=\"" + total + "\"/>" +
           (uuid.empty() ? "" : "<retenciones:Complemento><tfd:TimbreFiscalDigital UUID=\"" + uuid +
                                    "\"/></retenciones:Complemento>") +
           "</retenciones:Retenciones>";
}

}  // namespace

TEST_F(Dispatch, RetencionesGetTheirOwnQrTextTemplateAndPage) {
    const std::string uuid = "AD662D33-6934-459C-A128-BDF0393F0F44";
    const std::string sat = "https://prodretencionverificacion.clouda.sat.gob.mx/?id=" + uuid;
    const struct {
        std::string document;
        std::string text;  // empty: no QR step
        const char* template_file;
    } cases[] = {
        {retenciones("2.0", "E&amp;K9003173C9", "<retenciones:Nacional RfcR=\"XAXX010101000\"/>", "1234.5000",
                     uuid, "abc&#xA;defghijk"),
         sat + "&re=E&amp;K9003173C9&rr=XAXX010101000&tt=1234.5&fe=defghijk", "PlantillaVQDGenericaRetenciones20.Fat"},
        {retenciones("2.0", "EKU9003173C9", "<retenciones:Extranjero NumRegIdTribR=\"998877\"/>", "10", uuid),
         sat + "&re=EKU9003173C9&nr=00000000000000998877&tt=10.0&fe=", "PlantillaVQDGenericaRetenciones20.Fat"},
        {retenciones("1.0", "EKU9003173C9", "<retenciones:Nacional RFCRecep=\"XAXX010101000\"/>", "55578643.5", uuid),
         "?re=EKU9003173C9&rr=XAXX010101000&tt=0055578643.500000&id=" + uuid, "PlantillaVQDGenericaRetenciones10.Fat"},
        {retenciones("1.0", "EKU9003173C9", "<retenciones:Extranjero NumRegIdTrib=\"W&amp;1\"/>", "0", uuid),
         "?re=EKU9003173C9&nr=W&amp;1&tt=0000000000.000000&id=" + uuid, "PlantillaVQDGenericaRetenciones10.Fat"},
        {retenciones("2.0", "EKU9003173C9", "<retenciones:Nacional RfcR=\"XAXX010101000\"/>", "1", ""), "",
         "PlantillaVQDGenericaRetenciones20.Fat"},  // no stamp
    };
    dir.write("PlantillaVQDGenericaRetenciones10.Fat", "plantilla");
    dir.write("PlantillaVQDGenericaRetenciones20.Fat", "plantilla");
    for (const auto& c : cases) {
        fs::remove(dir.log());
        dir.write(dir.work() / "r.xml", c.document);
        auto env = renderer_env();
        env["RECORDER_OSTREL"] = "copy=" + (dir.work() / "r.xml").string() + ">3";
        EXPECT_EQ(dir.run({"r.xml"}, env).exit_code, 0) << c.text;
        const auto* marbet = start_of("Marbet.exe");
        ASSERT_EQ(marbet != nullptr, !c.text.empty()) << c.text;
        if (marbet) {
            EXPECT_EQ(marbet->back(), c.text);
        }
        const auto* ostrel = start_of("Ostrel.exe");
        ASSERT_TRUE(ostrel) << c.text;
        EXPECT_EQ(ostrel->at(3), c.template_file);
        ASSERT_TRUE(start_of("Quenda.exe")) << "rendered on a page of its own";
    }
}

TEST_F(Dispatch, RetencionesWithoutTheirTemplateAndOtherXmlGoToTheDesktopsOpener) {
    const std::string uuid = "AD662D33-6934-459C-A128-BDF0393F0F44";
    const std::string documents[] = {
        retenciones("2.0", "EKU9003173C9", "<retenciones:Nacional RfcR=\"XAXX010101000\"/>", "1", uuid),
        "<Cancelacion xmlns=\"http://cancelacfd.sat.gob.mx\" RfcEmisor=\"EKU9003173C9\"/>",
        "<Acuse xmlns=\"http://cancelacfd.sat.gob.mx\"/>",
    };
    for (const std::string& document : documents) {
        fs::remove(dir.log());
        dir.write(dir.work() / "x.xml", document);
        EXPECT_EQ(dir.run({"x.xml"}).exit_code, 0);
        // The opener is started, not waited for.
        for (int i = 0; i < 500 && dir.starts().empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(names(), (Names{opener_name()})) << document;
    }
}
