#include "viewer/invoice_versions.h"

#include "platform/platform.h"
#include "util/kvlist.h"
#include "viewer/qr_text.h"

namespace {

constexpr const char* kCfdIssuer = "{/Comprobante/Emisor/@rfc}";
constexpr const char* kCfdi3Issuer = "{/cfdi:Comprobante/cfdi:Emisor/@rfc}";
constexpr const char* kCfdi3Receiver = "{/cfdi:Comprobante/cfdi:Receptor/@rfc}";
constexpr const char* kCfdi3Total = "{/cfdi:Comprobante/@total}";
constexpr const char* kStampUuid = "{/cfdi:Comprobante/cfdi:Complemento/tfd:TimbreFiscalDigital/@UUID}";
constexpr const char* kModernIssuer = "{/cfdi:Comprobante/cfdi:Emisor/@Rfc}";
constexpr const char* kModernReceiver = "{/cfdi:Comprobante/cfdi:Receptor/@Rfc}";
constexpr const char* kModernTotal = "{/cfdi:Comprobante/@Total}";
constexpr const char* kModernSeal = "{/cfdi:Comprobante/@Sello}";

constexpr InvoiceVersion kVersions[] = {
    {"1.0", kCfdIssuer, QrText::None, nullptr, nullptr, nullptr, nullptr, "PlantillaVQDGenerica.Fat", "OstrelGenerico.cfg", false},
    {"2.0", kCfdIssuer, QrText::None, nullptr, nullptr, nullptr, nullptr, "PlantillaVQDGenerica.Fat", "OstrelGenerico.cfg", false},
    {"2.2", kCfdIssuer, QrText::None, nullptr, nullptr, nullptr, nullptr, "PlantillaVQDGenerica.Fat", "OstrelGenerico.cfg", false},
    {"3.0", kCfdi3Issuer, QrText::Cfdi3, kCfdi3Receiver, kCfdi3Total, kStampUuid, nullptr, "PlantillaVQDGenericaCFDI.Fat",
     "OstrelGenericoCFDI.cfg", false},
    {"3.2", kCfdi3Issuer, QrText::Cfdi3, kCfdi3Receiver, kCfdi3Total, kStampUuid, nullptr, "PlantillaVQDGenericaCFDI.Fat",
     "OstrelGenericoCFDI.cfg", false},
    {"3.3", kModernIssuer, QrText::Verification, kModernReceiver, kModernTotal, kStampUuid, kModernSeal,
     "PlantillaVQDGenericaCFDI33.Fat", "OstrelGenericoCFDI33.cfg", true},
    {"4.0", kModernIssuer, QrText::Verification, kModernReceiver, kModernTotal, kStampUuid, kModernSeal,
     "PlantillaVQDGenericaCFDI40.Fat", "OstrelGenericoCFDI40.cfg", true},
};

constexpr InvoiceVersion kUnknownVersion = {"", kCfdIssuer, QrText::None, nullptr, nullptr, nullptr, nullptr,
                                            nullptr, nullptr, false};

}  // namespace

const InvoiceVersion& invoice_version_row(const char* version) {
    for (const InvoiceVersion& row : kVersions) {
        if (ascii_casecmp(row.version, version ? version : "") == 0) return row;
    }
    return kUnknownVersion;
}

InvoiceReading read_invoice(const Invoice& invoice, const InvoiceVersion& row, ValueLimit& limit) {
    InvoiceReading reading;
    reading.issuer_rfc.reset(invoice_value(invoice, row.issuer_query, &limit));
    if (row.qr == QrText::None) return reading;
    StrBufPtr receiver(invoice_value(invoice, row.receiver_query, &limit));
    StrBufPtr total(invoice_value(invoice, row.total_query, &limit));
    StrBufPtr uuid(invoice_value(invoice, row.uuid_query, &limit));
    StrBufPtr seal(row.seal_query ? invoice_value(invoice, row.seal_query, &limit) : nullptr);
    reading.qr_text =
        qr_text(row.qr, QrValues{reading.issuer_rfc.get(), receiver.get(), total.get(), uuid.get(), seal.get()});
    if (!reading.qr_text.empty()) reading.qr_bitmap = std::string(strbuf_text(uuid.get())) + ".bmp";
    return reading;
}

const char* generic_template_of(const InvoiceVersion& row) {
    // An installation without a newer version's template behaves as before it existed.
    if (row.template_file && row.template_must_be_present && !platform_file_readable(row.template_file)) return nullptr;
    return row.template_file;
}
