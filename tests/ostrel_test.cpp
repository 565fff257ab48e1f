#include <libxml/parser.h>
#include <libxml/xpath.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <iostream>

#include "support/program_dir.h"
#include "tools/ostrel/amount_words.h"
#include "tools/ostrel/catalogs.h"
#include "tools/ostrel/money.h"
#include "tools/ostrel/original_chain.h"

namespace {

const fs::path kBin(TEST_BIN_DIR);

Catalogs installed_catalogs() {
    Catalogs catalogs;
    EXPECT_TRUE(catalogs_load(catalogs, (kBin / "CatalogosCFDI.txt").string()));
    return catalogs;
}

TEST(MoneyFormat, KeepsTheInvoicesDecimalsWithAtLeastTwoAndSeparatesThousands) {
    const std::pair<const char*, const char*> amounts[] = {
        {"0", "0.00"},          {"0.5", "0.50"},          {"1", "1.00"},
        {"21", "21.00"},        {"100", "100.00"},        {"101", "101.00"},
        {"1000", "1,000.00"},   {"1001", "1,001.00"},     {"21000", "21,000.00"},
        {"100000", "100,000.00"}, {"1000000", "1,000,000.00"}, {"2000000", "2,000,000.00"},
        {"1001001.01", "1,001,001.01"}, {"1234.5678", "1,234.5678"}, {"0001160.000000", "1,160.000000"},
        {"-1234.5", "-1,234.50"}, {"12a", "12a"},           {"", ""},
    };
    for (const auto& [amount, shown] : amounts) EXPECT_EQ(money_format(amount), shown) << amount;
    EXPECT_EQ(money_format("1234.5", "USD"), "1,234.50 USD");
    EXPECT_EQ(money_format("1234.5", "EUR"), "1,234.50 EUR");
}

TEST(AmountInWords, ReadsTheWholePartAndTruncatesTheCentsInTheInvoicesCurrency) {
    const Catalogs catalogs = installed_catalogs();
    const struct {
        const char* amount;
        const char* currency;
        const char* words;
    } cases[] = {
        {"0", "MXN", "CERO PESOS 00/100 M.N."},
        {"0.5", "MXN", "CERO PESOS 50/100 M.N."},
        {"1", "MXN", "UN PESO 00/100 M.N."},
        {"21", "MXN", "VEINTIÚN PESOS 00/100 M.N."},
        {"100", "MXN", "CIEN PESOS 00/100 M.N."},
        {"101", "MXN", "CIENTO UN PESOS 00/100 M.N."},
        {"1000", "MXN", "MIL PESOS 00/100 M.N."},
        {"1001", "MXN", "MIL UN PESOS 00/100 M.N."},
        {"1160.00", "MXN", "MIL CIENTO SESENTA PESOS 00/100 M.N."},
        {"21000", "MXN", "VEINTIÚN MIL PESOS 00/100 M.N."},
        {"100000", "MXN", "CIEN MIL PESOS 00/100 M.N."},
        {"1000000", "MXN", "UN MILLÓN DE PESOS 00/100 M.N."},
        {"2000000", "MXN", "DOS MILLONES DE PESOS 00/100 M.N."},
        {"1001001.01", "MXN", "UN MILLÓN MIL UN PESOS 01/100 M.N."},
        {"1500000000000", "MXN", "UN BILLÓN QUINIENTOS MIL MILLONES DE PESOS 00/100 M.N."},
        {"345.999999", "MXN", "TRESCIENTOS CUARENTA Y CINCO PESOS 99/100 M.N."},
        {"77.5", "", "SETENTA Y SIETE PESOS 50/100 M.N."},
        {"200.50", "USD", "DOSCIENTOS DÓLARES ESTADOUNIDENSES 50/100 USD"},
        {"1", "USD", "UN DÓLAR ESTADOUNIDENSE 00/100 USD"},
        {"2021.07", "EUR", "DOS MIL VEINTIÚN EUROS 07/100 EUR"},
        {"5", "XYZ", "CINCO 00/100 XYZ"},
        {"dos", "MXN", ""},
        {"1234567890123456789", "MXN", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(amount_in_words(c.amount, c.currency, catalogs), c.words) << c.amount;
}

TEST(Catalogs, DescribeAKnownCodeAndLeaveAnUnknownOrEmptyOneAsItIs) {
    const Catalogs catalogs = installed_catalogs();
    const struct {
        const char* catalog;
        const char* code;
        const char* text;
    } cases[] = {
        {"c_FormaPago", "03", "03 - Transferencia electrónica de fondos"},
        {"c_UsoCFDI", "G03", "G03 - Gastos en general"},
        {"c_RegimenFiscal", "626", "626 - Régimen Simplificado de Confianza"},
        {"c_ClaveUnidad", "H87", "H87 - Pieza"},
        {"c_Moneda", "USD", "USD - Dólar americano"},
        {"c_ObjetoImp", "02", "02 - Sí objeto de impuesto"},
        {"c_TipoFactor", "Tasa", "Tasa"},
        {"c_FormaPago", "77", "77"},
        {"c_NoSuchCatalog", "03", "03"},
        {"c_FormaPago", "", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(catalog_text(catalogs, c.catalog, c.code), c.text) << c.code;
}

TEST(OriginalChain, FollowsTheStampsVersion) {
    const std::pair<const char*, const char*> stamps[] = {
        {"<t Version='1.1' UUID='U' FechaTimbrado='F' RfcProvCertif='R' SelloCFD='S' NoCertificadoSAT='N'/>",
         "||1.1|U|F|R|S|N||"},
        {"<t Version='1.1' UUID='U' FechaTimbrado='F' RfcProvCertif='R' Leyenda=' a  b ' SelloCFD='S' "
         "NoCertificadoSAT='N'/>",
         "||1.1|U|F|R|a b|S|N||"},
        {"<t version='1.0' UUID='U' FechaTimbrado='F' selloCFD='S' noCertificadoSAT='N'/>", "||1.0|U|F|S|N||"},
        {"<t UUID='U'/>", ""},
    };
    for (const auto& [xml, chain] : stamps) {
        xmlDocPtr document = xmlReadMemory(xml, static_cast<int>(std::string(xml).size()), nullptr, nullptr, 0);
        ASSERT_NE(document, nullptr);
        EXPECT_EQ(original_chain(xmlDocGetRootElement(document)), chain) << xml;
        xmlFreeDoc(document);
    }
}

// A program folder with the converter, its templates and catalogs.
class Converter : public ::testing::Test {
protected:
    void SetUp() override {
        dir.add_stand_in("Ostrel.exe");
        for (const auto& entry : fs::directory_iterator(kBin)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("PlantillaVQD") || name.starts_with("Ostrel") || name.starts_with("Catalogos")) {
                fs::copy_file(entry.path(), dir.dir() / name, fs::copy_options::overwrite_existing);
            }
        }
    }

    // Runs the converter on `invoice` with the template of `version` ("", "CFDI", "CFDI33", "CFDI40").
    RunResult convert(const fs::path& invoice, const std::string& version, const fs::path& template_file = {}) const {
        const std::string stylesheet =
            template_file.empty() ? (dir.dir() / ("PlantillaVQDGenerica" + version + ".Fat")).string()
                                  : template_file.string();
        return run_program((dir.dir() / "Ostrel.exe").string(),
                           {invoice.string(), stylesheet, out().string(), "-c",
                            (dir.dir() / ("OstrelGenerico" + version + ".cfg")).string()},
                           dir.work(), {});
    }
    fs::path out() const { return dir.work() / "out.vqd"; }

    // The document's lines without their CR LF; every line must end so.
    std::vector<std::string> lines() const {
        const std::string text = read_file(out());
        std::vector<std::string> found;
        for (size_t at = 0; at < text.size();) {
            const size_t end = text.find("\r\n", at);
            EXPECT_NE(end, std::string::npos) << "a line without CR LF";
            if (end == std::string::npos) break;
            found.push_back(text.substr(at, end - at));
            at = end + 2;
        }
        return found;
    }

    ProgramDir dir;
};

bool has_line(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool has_line_starting(const std::vector<std::string>& lines, const std::string& prefix) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(prefix); });
}

std::vector<std::string> xpath_values(const fs::path& file, const char* expression) {
    std::vector<std::string> values;
    xmlDocPtr document = xmlReadFile(file.string().c_str(), nullptr, XML_PARSE_NONET);
    xmlXPathContextPtr context = document ? xmlXPathNewContext(document) : nullptr;
    xmlXPathObjectPtr found = context ? xmlXPathEval(reinterpret_cast<const xmlChar*>(expression), context) : nullptr;
    for (int i = 0; found && found->nodesetval && i < found->nodesetval->nodeNr; ++i) {
        xmlChar* text = xmlNodeGetContent(found->nodesetval->nodeTab[i]);
        values.emplace_back(reinterpret_cast<const char*>(text));
        xmlFree(text);
    }
    xmlXPathFreeObject(found);
    xmlXPathFreeContext(context);
    xmlFreeDoc(document);
    return values;
}

bool any_line(const std::vector<std::string>& lines, const std::function<bool(const std::string&)>& test) {
    return std::any_of(lines.begin(), lines.end(), test);
}

TEST_F(Converter, EveryRealNewerInvoiceGivesADocumentTheSatsRulesAskFor) {
    const fs::path corpus(TEST_CORPUS_DIR);
    const fs::path invoices[] = {
        corpus / "cfdi33-real-cfdiutils.xml",       corpus / "cfdi40-real-cfdiutils.xml",
        corpus / "cfdi40-valid-cfdiutils.xml",      corpus / "cfdi40-descuentos-cfdiutils.xml",
        corpus / "cfdi40-pagos20-cfdiutils.xml",    fs::path(TEST_EXAMPLES_DIR) / "cfdi40-generico.xml",
    };
    for (const fs::path& invoice : invoices) {
        const std::string version = xpath_values(invoice, "/*/@Version").at(0) == "3.3" ? "CFDI33" : "CFDI40";
        ASSERT_EQ(convert(invoice, version).exit_code, 0) << invoice;
        const std::vector<std::string> document = lines();
        const std::string name = invoice.filename().string();
        EXPECT_FALSE(any_line(document, [](const std::string& l) { return !l.starts_with("@@"); }))
            << name << ": every line is a directive, so no value begins one";
        EXPECT_EQ(document.at(0), "@@image ~D\"logo.jpg\"") << name;
        EXPECT_TRUE(has_line(document, "@@legend Este documento es una representaci\xf3n impresa de un CFDI")) << name;
        const std::string kind = xpath_values(invoice, "/*/@TipoDeComprobante").at(0);
        EXPECT_TRUE(has_line_starting(document, "@@field Tipo de comprobante\t" + kind + " - ")) << name;
        EXPECT_TRUE(any_line(document, [](const std::string& l) {
            return l.starts_with("@@field Importe con letra\t") && l.find("/100 ") != std::string::npos;
        })) << name;
        for (const std::string& amount : xpath_values(invoice, "/*/*[local-name()='Conceptos']/*/@Importe")) {
            EXPECT_TRUE(any_line(document, [&](const std::string& l) {
                return l.starts_with("@@row ") && l.find("\t" + money_format(amount)) != std::string::npos;
            })) << name << ": " << amount;
        }
        const std::vector<std::string> uuid = xpath_values(invoice, "//*[local-name()='TimbreFiscalDigital']/@UUID");
        if (uuid.empty()) {
            EXPECT_TRUE(has_line_starting(document, "@@note Este comprobante no ha sido timbrado")) << name;
            continue;
        }
        EXPECT_TRUE(has_line(document, "@@field Folio fiscal (UUID)\t" + uuid[0])) << name;
        EXPECT_TRUE(has_line_starting(document, "@@qr https://verificacfdi.facturaelectronica.sat.gob.mx/")) << name;
        EXPECT_TRUE(has_line_starting(document, "@@wrap Cadena original del complemento de certificaci\xf3n "
                                                "digital del SAT\t||1.1|" + uuid[0] + "|"))
            << name;
    }
}

TEST_F(Converter, OlderInvoicesGetTheLegendOfTheirEra) {
    const struct {
        fs::path invoice;
        const char* version;
        const char* legend;
    } cases[] = {
        {fs::path(TEST_CORPUS_DIR) / "cfdv32-ejemplo-satcfdi.xml", "CFDI", "de un CFDI"},
        {fs::path(TEST_EXAMPLES_DIR) / "cfd22-generico.xml", "", "de un CFD"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(convert(c.invoice, c.version).exit_code, 0) << c.invoice;
        const std::vector<std::string> document = lines();
        const std::string legend = std::string("@@legend Este documento es una representaci\xf3n impresa ") + c.legend;
        EXPECT_TRUE(has_line(document, legend));
        EXPECT_TRUE(has_line_starting(document, "@@field Importe con letra\t"));
    }
}

std::string cfdi40(const std::string& concepts, const std::string& doctype = "") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + doctype +
           "<cfdi:Comprobante xmlns:cfdi=\"http://www.sat.gob.mx/cfd/4\" Version=\"4.0\" Serie=\"A\" Folio=\"1\" "
           "Fecha=\"2026-01-01T00:00:00\" FormaPago=\"03\" MetodoPago=\"PUE\" Moneda=\"MXN\" TipoDeComprobante=\"I\" "
           "Exportacion=\"01\" LugarExpedicion=\"06600\" SubTotal=\"1.00\" Total=\"1.16\" NoCertificado=\"1\">"
           "<cfdi:Emisor Rfc=\"EKU9003173C9\" Nombre=\"E\" RegimenFiscal=\"601\"/>"
           "<cfdi:Receptor Rfc=\"XAXX010101000\" Nombre=\"R\" UsoCFDI=\"S01\" DomicilioFiscalReceptor=\"06600\" "
           "RegimenFiscalReceptor=\"616\"/><cfdi:Conceptos>" +
           concepts + "</cfdi:Conceptos></cfdi:Comprobante>";
}

std::string concept_described(const std::string& description) {
    return "<cfdi:Concepto ClaveProdServ=\"01010101\" Cantidad=\"1\" ClaveUnidad=\"H87\" Descripcion=\"" + description +
           "\" ValorUnitario=\"1.00\" Importe=\"1.00\" ObjetoImp=\"01\"/>";
}

TEST_F(Converter, AValueNeverBeginsALineWhateverItHolds) {
    const std::string hostile[] = {
        "a&#13;&#10;@@section Falsa", "b&#10;~D&quot;/etc/passwd&quot;", "c&#9;@@qr http://x/&#127;",
        "d\xc2\x85@@note NEL", "&hostil;",
    };
    std::string concepts;
    for (const std::string& description : hostile) concepts += concept_described(description);
    const std::string doctype = "<!DOCTYPE cfdi:Comprobante [<!ENTITY hostil \"e&#10;@@legend Falsa\">]>";
    dir.write(dir.work() / "f.xml", cfdi40(concepts, doctype));
    ASSERT_EQ(convert(dir.work() / "f.xml", "CFDI40").exit_code, 0);
    int rows_with_values = 0;
    for (const std::string& line : lines()) {
        EXPECT_TRUE(line.starts_with("@@")) << line;
        EXPECT_FALSE(line.starts_with("@@section Falsa") || line.starts_with("@@legend Falsa") ||
                     line.starts_with("@@note NEL") || line.starts_with("~D"))
            << line;
        EXPECT_EQ(line.find_first_of("\r\n\x7f\x85"), std::string::npos) << line;
        if (line.starts_with("@@row ") && line.find("01010101") != std::string::npos) ++rows_with_values;
    }
    EXPECT_EQ(rows_with_values, 5);
}

TEST_F(Converter, AStylesheetThatReadsOrWritesElsewhereIsRefusedAndLeavesNoDocument) {
    const std::string open = "<xsl:stylesheet version='1.1' xmlns:xsl='http://www.w3.org/1999/XSL/Transform' "
                             "xmlns:exsl='http://exslt.org/common' extension-element-prefixes='exsl'>"
                             "<xsl:output method='text'/>";
    const fs::path planted = dir.work() / "planted.txt";
    const std::string bodies[] = {
        "<xsl:template match='/'>x<xsl:value-of select=\"document('/etc/passwd')\"/></xsl:template>",
        "<xsl:template match='/'>x<xsl:value-of select=\"document('" + (dir.dir() / "Ostrel.exe").generic_string() +
            "')\"/></xsl:template>",
        "<xsl:template match='/'>x<xsl:document href='" + planted.generic_string() +
            "' method='text'>y</xsl:document></xsl:template>",
        "<xsl:template match='/'>x<exsl:document href='" + planted.generic_string() +
            "' method='text'>y</exsl:document></xsl:template>",
        "<xsl:include href='/etc/passwd'/><xsl:template match='/'>x</xsl:template>",
        "<xsl:template match='/'><xsl:call-template name='r'/></xsl:template>"
        "<xsl:template name='r'>x<xsl:call-template name='r'/></xsl:template>",
        "<xsl:template match='/'>x<xsl:value-of select='t:unknown()' xmlns:t='urn:tesmira:ostrel'/></xsl:template>",
    };
    const fs::path invoice = fs::path(TEST_EXAMPLES_DIR) / "cfdi40-generico.xml";
    for (const std::string& body : bodies) {
        dir.write(dir.work() / "hostil.xsl", open + body + "</xsl:stylesheet>");
        dir.write(out(), "left by an earlier run");
        EXPECT_NE(convert(invoice, "CFDI40", dir.work() / "hostil.xsl").exit_code, 0) << body;
        EXPECT_FALSE(fs::exists(out())) << body;
        EXPECT_FALSE(fs::exists(planted)) << body;
    }
}

TEST_F(Converter, AFailedConversionLeavesNoDocument) {
    dir.write(dir.work() / "roto.xml", "<cfdi:Comprobante");
    dir.write(dir.work() / "roto.xsl", "<xsl:stylesheet");
    // 200 MB of values from a file of 108 KB: past the size limit the viewer sets for a sibling.
    std::string references;
    for (int i = 0; i < 2000; ++i) references += "&a;";
    dir.write(dir.work() / "bomba.xml",
              "<!DOCTYPE r [<!ENTITY a '" + std::string(100000, 'x') + "'>]><r>" + references + "</r>");
    const struct {
        fs::path invoice;
        fs::path template_file;
    } cases[] = {
        {dir.work() / "ninguno.xml", {}},
        {dir.work() / "roto.xml", {}},
        {dir.work() / "bomba.xml", {}},
        {fs::path(TEST_EXAMPLES_DIR) / "cfdi40-generico.xml", dir.work() / "roto.xsl"},
        {fs::path(TEST_EXAMPLES_DIR) / "cfdi40-generico.xml", dir.work() / "ninguna.xsl"},
    };
    for (const auto& c : cases) {
        dir.write(out(), "left by an earlier run");
        EXPECT_NE(convert(c.invoice, "CFDI40", c.template_file).exit_code, 0) << c.invoice << " " << c.template_file;
        EXPECT_FALSE(fs::exists(out()));
    }
}

// The best of three runs, in seconds.
double best_time(const std::function<RunResult()>& run) {
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(run().exit_code, 0);
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

TEST_F(Converter, TimeGrowsLinearlyWithTheNumberOfConcepts) {
    double seconds[2] = {};
    const int counts[2] = {1000, 10000};
    for (int k = 0; k < 2; ++k) {
        std::string concepts;
        for (int i = 0; i < counts[k]; ++i) concepts += concept_described("Concepto " + std::to_string(i));
        const fs::path invoice = dir.work() / ("n" + std::to_string(counts[k]) + ".xml");
        dir.write(invoice, cfdi40(concepts));
        seconds[k] = best_time([&] { return convert(invoice, "CFDI40"); });
        EXPECT_TRUE(has_line_starting(lines(), "@@row 01010101\t\t1\tH87\tPieza\tConcepto " +
                                                   std::to_string(counts[k] - 1) + "\t"));
    }
    std::cout << "[          ] 1,000 concepts: " << seconds[0] << " s; 10,000: " << seconds[1] << " s\n";
    EXPECT_LT(seconds[1], 12 * seconds[0]) << "ten times the concepts takes at most about ten times as long";
}

}  // namespace

TEST_F(Converter, ATemplateInAFolderWithABlankInItsNameReadsItselfAsAFile) {
    // As the Windows package installs it: "...\Programs\Tesmira Viewer".
    const fs::path folder = dir.root() / "Tesmira Viewer";
    fs::create_directories(folder);
    for (const auto& entry : fs::directory_iterator(dir.dir())) {
        if (entry.is_regular_file()) fs::copy_file(entry.path(), folder / entry.path().filename());
    }
    const fs::path invoice = fs::path(TEST_CORPUS_DIR) / "cfdi40-real-cfdiutils.xml";
    const RunResult r = run_program((folder / "Ostrel.exe").string(),
                                    {invoice.string(), (folder / "PlantillaVQDGenericaCFDI40.Fat").string(),
                                     out().string(), "-c", (folder / "OstrelGenericoCFDI40.cfg").string()},
                                    dir.work(), {});
    EXPECT_EQ(r.exit_code, 0) << r.messages;
    EXPECT_NE(read_file(out()).find("@@legend Este documento es una representaci\xf3n impresa de un CFDI"),
              std::string::npos);
}
