#include "viewer/invoice_versions.h"

#include <gtest/gtest.h>

#include <string>

#include "support/program_dir.h"
#include "xml/parse.h"

namespace {

const std::string kUuid = "80824F3B-323E-407B-8F8E-40D83FE2E69F";

std::string text_of(const StrBufPtr& value) { return value ? strbuf_text(value.get()) : "(none)"; }

}  // namespace

TEST(InvoiceVersions, ARowDecidesWhatIsReadTheQrCodeAndTheTemplate) {
    xml_setup();
    const std::string xml = "<r a='AAA010101AAA' b='XAXX010101000' t='010.50' u='" + kUuid +
                            "' s='sello-abcdefgh' A='OTRO010101AAA'/>";
    InvoicePtr invoice(invoice_from_memory(xml.data(), static_cast<int>(xml.size())));
    ASSERT_TRUE(invoice);
    ProgramDir dir;
    const std::string present = (dir.dir() / "T.Fat").string();
    dir.write(present, "plantilla");
    const auto row = [](const char* version, const char* issuer, QrText qr, const char* seal, const char* template_file,
                        bool must_be_present) {
        return InvoiceVersion{.version = version,
                              .issuer_query = issuer,
                              .qr = qr,
                              .receiver_query = "{/r/@b}",
                              .total_query = "{/r/@t}",
                              .uuid_query = "{/r/@u}",
                              .seal_query = seal,
                              .template_file = template_file,
                              .config_file = "C.cfg",
                              .template_must_be_present = must_be_present};
    };
    const InvoiceVersion rows[] = {
        row("7.1", "{/r/@a}", QrText::Cfdi3, nullptr, "ausente.Fat", false),
        row("7.2", "{/r/@A}", QrText::Verification, "{/r/@s}", present.c_str(), true),
        row("7.3", "{/r/@a}", QrText::None, nullptr, "ausente.Fat", true),
    };
    const struct {
        const char* issuer;
        std::string qr_text;
        const char* template_file;
    } expected[] = {
        {"AAA010101AAA", "?re=AAA010101AAA&rr=XAXX010101000&tt=010.50&id=" + kUuid, "ausente.Fat"},
        {"OTRO010101AAA",
         "https://verificacfdi.facturaelectronica.sat.gob.mx/default.aspx?id=" + kUuid +
             "&re=OTRO010101AAA&rr=XAXX010101000&tt=10.5&fe=abcdefgh",
         present.c_str()},
        {"AAA010101AAA", "", nullptr},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        ValueLimit limit = value_limit_for_file(static_cast<int64_t>(xml.size()));
        const InvoiceReading reading = read_invoice(*invoice, rows[i], limit);
        EXPECT_EQ(text_of(reading.issuer_rfc), expected[i].issuer) << rows[i].version;
        EXPECT_EQ(reading.qr_text, expected[i].qr_text) << rows[i].version;
        EXPECT_STREQ(generic_template_of(rows[i]), expected[i].template_file) << rows[i].version;
    }
    // A value past the limit is told, and no QR text is made from what could not be read.
    const InvoiceReading cut = read_invoice(*invoice, rows[0], ValueLimit{5});
    EXPECT_TRUE(cut.too_large);
    EXPECT_EQ(cut.qr_text, "");
}

TEST(InvoiceVersions, EachVersionOfTheRealTableReadsShowsAndDrawsWhatItsEraNeeds) {
    const char* cfd_issuer = "{/Comprobante/Emisor/@rfc}";
    const char* cfdi3_issuer = "{/cfdi:Comprobante/cfdi:Emisor/@rfc}";
    const char* modern_issuer = "{/cfdi:Comprobante/cfdi:Emisor/@Rfc}";
    const char* uuid = "{/cfdi:Comprobante/cfdi:Complemento/tfd:TimbreFiscalDigital/@UUID}";
    const struct {
        const char* version;
        const char* issuer;
        QrText qr;
        const char* receiver;
        const char* total;
        const char* uuid;
        const char* seal;
        const char* template_file;
        const char* config_file;
        bool must_be_present;
    } expected[] = {
        {"1.0", cfd_issuer, QrText::None, nullptr, nullptr, nullptr, nullptr, "PlantillaVQDGenerica.Fat",
         "OstrelGenerico.cfg", false},
        {"2.0", cfd_issuer, QrText::None, nullptr, nullptr, nullptr, nullptr, "PlantillaVQDGenerica.Fat",
         "OstrelGenerico.cfg", false},
        {"2.2", cfd_issuer, QrText::None, nullptr, nullptr, nullptr, nullptr, "PlantillaVQDGenerica.Fat",
         "OstrelGenerico.cfg", false},
        {"3.0", cfdi3_issuer, QrText::Cfdi3, "{/cfdi:Comprobante/cfdi:Receptor/@rfc}", "{/cfdi:Comprobante/@total}",
         uuid, nullptr, "PlantillaVQDGenericaCFDI.Fat", "OstrelGenericoCFDI.cfg", false},
        {"3.2", cfdi3_issuer, QrText::Cfdi3, "{/cfdi:Comprobante/cfdi:Receptor/@rfc}", "{/cfdi:Comprobante/@total}",
         uuid, nullptr, "PlantillaVQDGenericaCFDI.Fat", "OstrelGenericoCFDI.cfg", false},
        {"3.3", modern_issuer, QrText::Verification, "{/cfdi:Comprobante/cfdi:Receptor/@Rfc}",
         "{/cfdi:Comprobante/@Total}", uuid, "{/cfdi:Comprobante/@Sello}", "PlantillaVQDGenericaCFDI33.Fat",
         "OstrelGenericoCFDI33.cfg", true},
        {"4.0", modern_issuer, QrText::Verification, "{/cfdi:Comprobante/cfdi:Receptor/@Rfc}",
         "{/cfdi:Comprobante/@Total}", uuid, "{/cfdi:Comprobante/@Sello}", "PlantillaVQDGenericaCFDI40.Fat",
         "OstrelGenericoCFDI40.cfg", true},
    };
    const auto same = [](const char* a, const char* b) { return (!a && !b) || (a && b && std::string(a) == b); };
    ASSERT_EQ(invoice_version_rows().size(), std::size(expected) + 2) << "the Comprobante's rows and two of retenciones";
    for (const auto& want : expected) {
        const InvoiceVersion& row = invoice_version_row(want.version);
        ASSERT_TRUE(same(row.version, want.version)) << want.version << " has a row of its own";
        EXPECT_TRUE(same(row.issuer_query, want.issuer)) << want.version;
        EXPECT_EQ(row.qr, want.qr) << want.version;
        EXPECT_TRUE(same(row.receiver_query, want.receiver)) << want.version;
        EXPECT_TRUE(same(row.total_query, want.total)) << want.version;
        EXPECT_TRUE(same(row.uuid_query, want.uuid)) << want.version;
        EXPECT_TRUE(same(row.seal_query, want.seal)) << want.version;
        EXPECT_TRUE(same(row.template_file, want.template_file)) << want.version;
        EXPECT_TRUE(same(row.config_file, want.config_file)) << want.version;
        EXPECT_EQ(row.template_must_be_present, want.must_be_present) << want.version;
    }
    const InvoiceVersion& unknown = invoice_version_row("9.9");
    EXPECT_TRUE(same(unknown.issuer_query, cfd_issuer));
    EXPECT_EQ(unknown.qr, QrText::None);
    EXPECT_EQ(unknown.template_file, nullptr);
    EXPECT_EQ(&invoice_version_row("4.0"), &invoice_version_row("4.0")) << "versions compare without case: one row";
}

TEST(InvoiceVersions, RetencionesAreKnownByTheirRootElementNamespaceAndVersion) {
    const std::string ns = "http://www.sat.gob.mx/esquemas/retencionpago/";
    const struct {
        const char* version;
        QrText qr;
        const char* issuer;
        const char* template_file;
        const char* config_file;
    } expected[] = {
        {"1.0", QrText::Retenciones10, "{/retenciones:Retenciones/retenciones:Emisor/@RFCEmisor}",
         "PlantillaVQDGenericaRetenciones10.Fat", "OstrelGenericoRetenciones10.cfg"},
        {"2.0", QrText::Retenciones20, "{/retenciones:Retenciones/retenciones:Emisor/@RfcE}",
         "PlantillaVQDGenericaRetenciones20.Fat", "OstrelGenericoRetenciones20.cfg"},
    };
    for (const auto& want : expected) {
        const std::string uri = ns + want.version[0];
        const InvoiceVersion* row = document_kind_row("Retenciones", uri.c_str(), want.version);
        ASSERT_TRUE(row) << want.version;
        EXPECT_EQ(row->qr, want.qr);
        EXPECT_STREQ(row->issuer_query, want.issuer);
        EXPECT_STREQ(row->template_file, want.template_file);
        EXPECT_STREQ(row->config_file, want.config_file);
        EXPECT_TRUE(row->template_must_be_present);
        EXPECT_NE(row->foreign_receiver_query, nullptr) << "a receiver is national or foreign";
    }
    EXPECT_EQ(document_kind_row("Retenciones", (ns + "2").c_str(), "1.0"), nullptr) << "the version of its namespace";
    EXPECT_EQ(document_kind_row("retenciones", (ns + "2").c_str(), "2.0"), nullptr) << "names compare exactly";
    EXPECT_EQ(document_kind_row("Comprobante", "http://www.sat.gob.mx/cfd/4", "4.0"), nullptr);
    EXPECT_EQ(document_kind_row(nullptr, (ns + "2").c_str(), "2.0"), nullptr) << "a root without a name";
    EXPECT_EQ(document_kind_row("Retenciones", nullptr, "2.0"), nullptr) << "a root without a namespace";
    EXPECT_EQ(invoice_version_row("1.0").root_element, nullptr) << "\"1.0\" of a Comprobante stays CFD 1.0";
}
