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
    const InvoiceVersion rows[] = {
        {"7.1", "{/r/@a}", QrText::Cfdi3, "{/r/@b}", "{/r/@t}", "{/r/@u}", nullptr, "ausente.Fat", "C.cfg", false},
        {"7.2", "{/r/@A}", QrText::Verification, "{/r/@b}", "{/r/@t}", "{/r/@u}", "{/r/@s}", present.c_str(), "C.cfg",
         true},
        {"7.3", "{/r/@a}", QrText::None, "{/r/@b}", "{/r/@t}", "{/r/@u}", nullptr, "ausente.Fat", "C.cfg", true},
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
        EXPECT_EQ(reading.qr_bitmap, expected[i].qr_text.empty() ? "" : kUuid + ".bmp") << rows[i].version;
        EXPECT_STREQ(generic_template_of(rows[i]), expected[i].template_file) << rows[i].version;
    }
}
