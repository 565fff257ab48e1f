#include "viewer/invoice_versions.h"

#include <cstring>

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

constexpr InvoiceVersion cfd(const char* version) {
    return {.version = version,
            .issuer_query = kCfdIssuer,
            .qr = QrText::None,
            .template_file = "PlantillaVQDGenerica.Fat",
            .config_file = "OstrelGenerico.cfg"};
}

constexpr InvoiceVersion cfdi3(const char* version) {
    return {.version = version,
            .issuer_query = kCfdi3Issuer,
            .qr = QrText::Cfdi3,
            .receiver_query = kCfdi3Receiver,
            .total_query = kCfdi3Total,
            .uuid_query = kStampUuid,
            .template_file = "PlantillaVQDGenericaCFDI.Fat",
            .config_file = "OstrelGenericoCFDI.cfg"};
}

// 3.3 and 4.0 differ only in their template: the names of the values are the same.
constexpr InvoiceVersion modern(const char* version, const char* template_file, const char* config_file) {
    return {.version = version,
            .issuer_query = kModernIssuer,
            .qr = QrText::Verification,
            .receiver_query = kModernReceiver,
            .total_query = kModernTotal,
            .uuid_query = kStampUuid,
            .seal_query = kModernSeal,
            .template_file = template_file,
            .config_file = config_file,
            .template_must_be_present = true};
}

constexpr const char* kRetencionesIssuer10 = "{/retenciones:Retenciones/retenciones:Emisor/@RFCEmisor}";
constexpr const char* kRetencionesIssuer20 = "{/retenciones:Retenciones/retenciones:Emisor/@RfcE}";
constexpr const char* kRetencionesStamp =
    "{/retenciones:Retenciones/retenciones:Complemento/tfd:TimbreFiscalDigital/@UUID}";

constexpr InvoiceVersion retenciones10() {
    return {.root_element = "Retenciones",
            .root_namespace = "http://www.sat.gob.mx/esquemas/retencionpago/1",
            .version = "1.0",
            .issuer_query = kRetencionesIssuer10,
            .qr = QrText::Retenciones10,
            .receiver_query = "{/retenciones:Retenciones/retenciones:Receptor/retenciones:Nacional/@RFCRecep}",
            .foreign_receiver_query =
                "{/retenciones:Retenciones/retenciones:Receptor/retenciones:Extranjero/@NumRegIdTrib}",
            .total_query = "{/retenciones:Retenciones/retenciones:Totales/@montoTotOperacion}",
            .uuid_query = kRetencionesStamp,
            .template_file = "PlantillaVQDGenericaRetenciones10.Fat",
            .config_file = "OstrelGenericoRetenciones10.cfg",
            .template_must_be_present = true};
}

constexpr InvoiceVersion retenciones20() {
    return {.root_element = "Retenciones",
            .root_namespace = "http://www.sat.gob.mx/esquemas/retencionpago/2",
            .version = "2.0",
            .issuer_query = kRetencionesIssuer20,
            .qr = QrText::Retenciones20,
            .receiver_query = "{/retenciones:Retenciones/retenciones:Receptor/retenciones:Nacional/@RfcR}",
            .foreign_receiver_query =
                "{/retenciones:Retenciones/retenciones:Receptor/retenciones:Extranjero/@NumRegIdTribR}",
            .total_query = "{/retenciones:Retenciones/retenciones:Totales/@MontoTotOperacion}",
            .uuid_query = kRetencionesStamp,
            .seal_query = "{/retenciones:Retenciones/@Sello}",
            .template_file = "PlantillaVQDGenericaRetenciones20.Fat",
            .config_file = "OstrelGenericoRetenciones20.cfg",
            .template_must_be_present = true};
}

constexpr InvoiceVersion kVersions[] = {
    cfd("1.0"),
    cfd("2.0"),
    cfd("2.2"),
    cfdi3("3.0"),
    cfdi3("3.2"),
    modern("3.3", "PlantillaVQDGenericaCFDI33.Fat", "OstrelGenericoCFDI33.cfg"),
    modern("4.0", "PlantillaVQDGenericaCFDI40.Fat", "OstrelGenericoCFDI40.cfg"),
    retenciones10(),
    retenciones20(),
};

// Anything else reads the issuer as CFD does and has no template.
constexpr InvoiceVersion kUnknownVersion = {.version = "", .issuer_query = kCfdIssuer, .qr = QrText::None};

}  // namespace

std::span<const InvoiceVersion> invoice_version_rows() { return kVersions; }

const InvoiceVersion& invoice_version_row(const char* version) {
    for (const InvoiceVersion& row : kVersions) {
        if (!row.root_element && ascii_casecmp(row.version, version ? version : "") == 0) return row;
    }
    return kUnknownVersion;
}

const InvoiceVersion* document_kind_row(const char* root_element, const char* root_namespace, const char* version) {
    if (!root_element || !root_namespace) return nullptr;
    for (const InvoiceVersion& row : kVersions) {
        // Element names and namespaces are compared exactly, as XML does.
        if (row.root_element && std::strcmp(row.root_element, root_element) == 0 &&
            std::strcmp(row.root_namespace, root_namespace) == 0 &&
            ascii_casecmp(row.version, version ? version : "") == 0) {
            return &row;
        }
    }
    return nullptr;
}

InvoiceReading read_invoice(const Invoice& invoice, const InvoiceVersion& row, const ValueLimit& limit) {
    InvoiceReading reading;
    // A query the row does not have reads nothing.
    auto read = [&](const char* query) {
        LimitedValue value = query ? invoice_value_within(invoice, query, limit) : LimitedValue{};
        reading.too_large = reading.too_large || value.too_large;
        return std::move(value.value);
    };
    reading.issuer_rfc = read(row.issuer_query);
    if (row.qr == QrText::None) return reading;
    StrBufPtr receiver = read(row.receiver_query);
    StrBufPtr foreign = receiver ? nullptr : read(row.foreign_receiver_query);
    StrBufPtr total = read(row.total_query);
    StrBufPtr uuid = read(row.uuid_query);
    StrBufPtr seal = read(row.seal_query);
    if (reading.too_large) return reading;
    reading.qr_text =
        qr_text(row.qr, QrValues{reading.issuer_rfc.get(), receiver.get(), total.get(), uuid.get(), seal.get(),
                                 foreign.get()});
    return reading;
}

const char* generic_template_of(const InvoiceVersion& row) {
    // An installation without a newer version's template behaves as before it existed.
    if (row.template_file && row.template_must_be_present && !platform_file_readable(row.template_file)) return nullptr;
    return row.template_file;
}
