#include "xml/query.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <string>

#include "support/failing_memory.h"
#include "support/os.h"
#include "support/program_dir.h"
#include "xml/invoice.h"
#include "xml/parse.h"
#include "xml/xml_errors.h"

namespace {

// An invoice read through the one way values are read, "(none)" standing for no value.
class Parsed {
public:
    explicit Parsed(InvoicePtr invoice) : invoice_(std::move(invoice)) {}
    static Parsed from_text(const std::string& xml) {
        xml_setup();
        return Parsed(invoice_from_memory(xml.data(), static_cast<int>(xml.size())));
    }
    static Parsed from_corpus(const char* name) {
        xml_setup();
        return Parsed(invoice_from_file((std::string(TEST_CORPUS_DIR) + "/" + name).c_str()));
    }
    bool parsed() const { return invoice_ != nullptr; }
    std::string value(const char* query) const {
        StrBufPtr result(invoice_value(*invoice_, query));
        return result ? std::string(result->text, static_cast<size_t>(result->length)) : "(none)";
    }
    // "(too large)" for a value over the limit, told apart from "(none)".
    std::string value(const char* query, const ValueLimit& limit) const {
        const LimitedValue read = invoice_value_within(*invoice_, query, limit);
        if (read.too_large) return read.value ? "(too large, yet read)" : "(too large)";
        return read.value ? std::string(read.value->text, static_cast<size_t>(read.value->length)) : "(none)";
    }

private:
    InvoicePtr invoice_;
};

}  // namespace

TEST(QueryValue, ReadsIssuerReceiverTotalAndUuidOfRealInvoices) {
    const struct {
        const char* file;
        const char* issuer;
        const char* receiver;
        const char* total;
        const char* uuid;
    } invoices[] = {
        {"cfdi32-real-cfdiutils.xml", "CTO021007DZ8", "XAXX010101000", "4685.00", "80824F3B-323E-407B-8F8E-40D83FE2E69F"},
        {"cfdv32-ejemplo-satcfdi.xml", "AAA010101AAA", "E&\xd1" "831019M53", "40600.00",
         "e403f396-6a57-4625-adb4-bb436b00789f"},
    };
    for (const auto& expected : invoices) {
        const Parsed invoice = Parsed::from_corpus(expected.file);
        ASSERT_TRUE(invoice.parsed()) << expected.file;
        EXPECT_EQ(invoice.value("{/cfdi:Comprobante/cfdi:Emisor/@rfc}"), expected.issuer);
        EXPECT_EQ(invoice.value("{/cfdi:Comprobante/cfdi:Receptor/@rfc}"), expected.receiver);
        EXPECT_EQ(invoice.value("{/cfdi:Comprobante/@total}"), expected.total);
        EXPECT_EQ(invoice.value("{/cfdi:Comprobante/cfdi:Complemento/tfd:TimbreFiscalDigital/@UUID}"), expected.uuid);
    }

    const Parsed dirty = Parsed::from_corpus("v32-dirty-cfdiutils.xml");
    ASSERT_TRUE(dirty.parsed());
    EXPECT_EQ(dirty.value("{/cfdi:Comprobante/cfdi:Complemento/tfd:TimbreFiscalDigital/@UUID}"), "(none)");
}

TEST(QueryValue, ShorthandAndBracedFormsOnADefaultNamespace) {
    const Parsed cfd = Parsed::from_text(
        "<Comprobante xmlns='http://www.sat.gob.mx/cfd/2' version='2.2' total='1160.00'>"
        "<Emisor rfc='ABC010203XY1'/><Receptor rfc='XAXX010101000'/><Concepto>uno</Concepto>"
        "<Concepto>dos <b>negrita</b></Concepto></Comprobante>");
    EXPECT_EQ(cfd.value("{/Comprobante/Emisor/@rfc}"), "ABC010203XY1");
    EXPECT_EQ(cfd.value("Emisor:rfc"), "ABC010203XY1");
    EXPECT_EQ(cfd.value("{/Comprobante/@total}"), "1160.00");
    EXPECT_EQ(cfd.value("{//Concepto}"), "uno");
    EXPECT_EQ(cfd.value("{//Concepto[2]}"), "dos negrita");
    EXPECT_EQ(cfd.value("rfc"), "(none)");
    EXPECT_EQ(cfd.value("{"), "(none)");
    EXPECT_EQ(cfd.value("}"), "(none)");
    EXPECT_EQ(cfd.value("{}"), "(none)");
    EXPECT_EQ(cfd.value("{/Comprobante/@total "), "(none)") << "braces on both ends, or none";
    EXPECT_EQ(cfd.value(" /Comprobante/@total}"), "(none)");
    EXPECT_EQ(cfd.value("{count(//Concepto)}"), "(none)");
}

TEST(QueryValue, QuotedShorthandReachesPrefixedNames) {
    const Parsed cfdi = Parsed::from_corpus("cfdi32-real-cfdiutils.xml");
    EXPECT_EQ(cfdi.value("'cfdi:Emisor':rfc"), "CTO021007DZ8");
    EXPECT_EQ(cfdi.value("\"cfdi:Emisor\":\"rfc\""), "CTO021007DZ8");
}

TEST(QueryValue, CharactersOutsideLatin1BecomeAQuestionMarkAndTheRestIsKept) {
    const Parsed invoice = Parsed::from_text(
        "<Comprobante><Emisor nombre='Ca\xc3\xb1" "a \xe2\x82\xac 100 y m\xc3\xa1s'/></Comprobante>");
    EXPECT_EQ(invoice.value("{/Comprobante/Emisor/@nombre}"), "Ca\xf1" "a ? 100 y m\xe1s");
}

TEST(ParseInvoice, HostileFilesDoNotExpandOrReachLocalFiles) {
    ProgramDir dir;
    dir.write("secret.txt", "TOP-SECRET-CONTENT");
    const std::string external = "<?xml version='1.0'?><!DOCTYPE r [<!ENTITY x SYSTEM 'file://" +
                                 (dir.dir() / "secret.txt").string() +
                                 "'>]><Comprobante><Emisor rfc='&x;'/>&x;</Comprobante>";
    // An external entity is never loaded, and an attribute that refers to one makes the file unparsable.
    EXPECT_FALSE(Parsed::from_text(external).parsed());
    dir.write("external.xml", external);
    EXPECT_EQ(invoice_from_file((dir.dir() / "external.xml").string().c_str()), nullptr) << "read from a file alike";

    // The library's own guard refuses a document whose entities multiply its size.
    EXPECT_FALSE(Parsed::from_text(entity_bomb(12, "Comprobante")).parsed());
}

TEST(ParseInvoice, TextBeyondTheLibrarysNodeLimitIsKeptWholeFromFileAndMemory) {
    std::string text;
    for (int i = 0; text.size() < (25u << 20); ++i) text += "linea " + std::to_string(i) + " $amp$ x\n";
    const std::string xml = "<Comprobante version='3.2'><vqd>" + text + "</vqd><fin/>&amp;</Comprobante>";
    ProgramDir dir;
    dir.write("long.xml", xml);
    xml_setup();
    const Parsed from_file(invoice_from_file((dir.dir() / "long.xml").string().c_str()));
    const Parsed from_memory = Parsed::from_text(xml);
    for (const Parsed* invoice : {&from_file, &from_memory}) {
        ASSERT_TRUE(invoice->parsed());
        EXPECT_TRUE(invoice->value("{//vqd}") == text) << "the embedded text arrives whole and in order";
        EXPECT_EQ(invoice->value("{/Comprobante/text()}"), "&");
    }
}

TEST(QueryValue, ARefusedBlockGivesNoValueRatherThanAShorterOne) {
    // Every step of the path is qualified, or there is no path to evaluate.
    const Parsed invoice = Parsed::from_text("<r xmlns='urn:r'><s a='valor'/></r>");
    for (const char* query : {"{/r/s/@a}", "{/r/s[@a]/@a}", "{//s/@a}"}) {
        refuse_each_block([&] {
            const std::string value = invoice.value(query);
            if (value != "(none)") {
                EXPECT_EQ(value, "valor") << query;
            }
            return value != "(none)";
        });
    }
}

TEST(ParseInvoice, TheLoaderHandsOutNothingOutsideAParse) {
    xml_setup();
    EXPECT_EQ(xmlGetExternalEntityLoader()("file:///etc/hostname", nullptr, nullptr), nullptr);
}

TEST(ParseInvoice, NotWellFormedFails) {
    xml_setup();
    const std::string broken = "<Comprobante><Emisor></Comprobante>";
    EXPECT_EQ(parse_invoice_memory(broken.data(), static_cast<int>(broken.size())), nullptr);
}

TEST(XmlErrorReports, ShowTheLastErrorWithLeadingTextAndReturnItsNumber) {
    xml_setup();
    xmlResetLastError();
    const std::string unknown = capture_stderr([] {
        EXPECT_EQ(report_xml_error_with_text(message_box_reporter("Tesmira Viewer"), "Error intentando desencriptar archivo"),
                  kXmlErrorUnknown);
    });
    EXPECT_EQ(unknown, "Tesmira Viewer: Error intentando desencriptar archivo\nXML Error Unknown\n");

    ProgramDir dir;
    dir.write("bad.xml", "<a>");
    EXPECT_EQ(parse_invoice_file((dir.dir() / "bad.xml").string().c_str()), nullptr);
    const int code = xmlGetLastError()->code;
    // The library's own name of the file: the path on POSIX, a file: URL on Windows.
    const std::string file = xmlGetLastError()->file ? xmlGetLastError()->file : "";
    EXPECT_TRUE(file == (dir.dir() / "bad.xml").string() || file.starts_with("file:")) << file;
    EXPECT_TRUE(file.ends_with("bad.xml")) << file;
    const std::string shown = capture_stderr([&] { EXPECT_EQ(report_xml_error(message_box_reporter("Tesmira Viewer")), code); });
    EXPECT_EQ(shown.rfind("Tesmira Viewer: XML Error #" + std::to_string(code) + " in [" + file + "]. ", 0), 0u)
        << shown;
}

TEST(XmlErrorReports, LongTextsAreCutToTheReportBuffer) {
    xml_setup();
    ProgramDir dir;
    const std::string name = std::string(200, 'n');
    dir.write(name + ".xml", "<a>");
    const std::string path = (dir.dir() / (name + ".xml")).string();
    EXPECT_EQ(parse_invoice_file(path.c_str()), nullptr);
    const std::string shown =
        capture_stderr([] { report_xml_error_with_text(message_box_reporter("Tesmira Viewer"), std::string(2000, 'L').c_str()); });
    EXPECT_EQ(shown.size(), std::string("Tesmira Viewer: ").size() + 1023 + 1);
}

TEST(ValueLimit, GrowsWithTheFileBetweenTenAndSixtyFourMebibytes) {
    constexpr int64_t MiB = 1 << 20;
    const std::pair<int64_t, int64_t> limits[] = {
        {0, 10 * MiB}, {MiB, 10 * MiB}, {2 * MiB, 20 * MiB}, {7 * MiB, 64 * MiB}, {1024 * MiB, 64 * MiB}};
    for (const auto& [file_size, limit] : limits) EXPECT_EQ(value_limit_for_file(file_size).max_bytes, limit) << file_size;
}

TEST(ValueLimit, ValuesAreSizedWithTheirEntitiesExpandedAndRefusedPastTheLimit) {
    const Parsed invoice = Parsed::from_text(
        "<!DOCTYPE r [<!ENTITY a 'xy'><!ENTITY b '&a;&a;&a;'>]>"
        "<r t='&a;&b;z'>&b;<e>&a;</e><![CDATA[cd]]><!-- not text --></r>");
    ASSERT_TRUE(invoice.parsed());
    const ValueLimit roomy{100};
    EXPECT_EQ(invoice.value("{/r/@t}", roomy), "xyxyxyxyz");
    EXPECT_EQ(invoice.value("{/r}", roomy), "xyxyxyxycd");
    const ValueLimit tight{9};
    EXPECT_EQ(invoice.value("{/r/@t}", tight), "xyxyxyxyz");
    EXPECT_EQ(invoice.value("{/r}", tight), "(too large)");
    EXPECT_EQ(invoice.value("{/r/@missing}", tight), "(none)");

    // One 40 KB entity referred to 300 times: 12 MB from a 42 KB file, counted without being expanded.
    std::string references;
    for (int i = 0; i < 300; ++i) references += "&big;";
    const Parsed amplified =
        Parsed::from_text("<!DOCTYPE r [<!ENTITY big '" + std::string(40000, 'x') + "'>]><r>" + references + "</r>");
    ASSERT_TRUE(amplified.parsed());
    EXPECT_EQ(amplified.value("{/r}", value_limit_for_file(42000)), "(too large)");
}

TEST(ValueLimit, AWholeDocumentCountsItsTextAttributesAndEntitiesTogether) {
    xml_setup();
    // Forty bytes of each kind: any one of them within a limit of 100, all three together not.
    const std::string xml = "<!DOCTYPE r [<!ENTITY e 'eeeeeeeeee'>]><r a='" + std::string(40, 'a') + "'>" +
                            std::string(40, 't') + "&e;&e;&e;&e;<!-- " + std::string(200, 'c') + " --></r>";
    const XmlDocPtr document(parse_invoice_memory(xml.data(), static_cast<int>(xml.size())));
    ASSERT_TRUE(document);
    EXPECT_FALSE(document_fits(document.get(), 0, ValueLimit{100}));
    EXPECT_TRUE(document_fits(document.get(), 0, ValueLimit{120})) << "a comment is no value";
    EXPECT_TRUE(document_fits(document.get(), 120, ValueLimit{100})) << "the file's own size is allowed";
    const std::string commented = "<!DOCTYPE r [<!ENTITY e '<!-- c --><?pi x?>tttttttttt'>]><r>&e;</r>";
    const XmlDocPtr inner(parse_invoice_memory(commented.data(), static_cast<int>(commented.size())));
    ASSERT_TRUE(inner);
    EXPECT_TRUE(document_fits(inner.get(), 0, ValueLimit{10})) << "nor is a comment inside an entity";
    EXPECT_FALSE(document_fits(inner.get(), 0, ValueLimit{9}));
    const std::string cdata = "<r><![CDATA[" + std::string(101, 'c') + "]]></r>";
    const XmlDocPtr sectioned(parse_invoice_memory(cdata.data(), static_cast<int>(cdata.size())));
    ASSERT_TRUE(sectioned);
    EXPECT_FALSE(document_fits(sectioned.get(), 0, ValueLimit{100})) << "a CDATA section is a value";
    // An entity declared nowhere the parser could read stands for nothing.
    const std::string undeclared = "<!DOCTYPE r SYSTEM 'x.dtd'><r>&u;</r>";
    const XmlDocPtr unknown(parse_invoice_memory(undeclared.data(), static_cast<int>(undeclared.size())));
    if (unknown) {
        EXPECT_TRUE(document_fits(unknown.get(), 0, ValueLimit{0}));
    }
    EXPECT_TRUE(document_fits(nullptr, 0, ValueLimit{0}));
    EXPECT_TRUE(value_fits(nullptr, ValueLimit{0})) << "no node has no value";
}
