#include "viewer/invoice_versions.h"

#include "util/kvlist.h"

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
