#pragma once
// What each version of the Comprobante gets: where its values are read, how its
// QR code is drawn and which generic template shows it. A new version is a new
// row here (and its template beside the program).
#include <span>
#include <string>

#include "util/strbuf.h"
#include "xml/invoice.h"
#include "xml/value_limit.h"

enum class QrText {
    None,          // no QR code
    Cfdi3,         // ?re=...&rr=...&tt=...&id=... (CFDI 3.0 and 3.2)
    Verification,  // the SAT's verification address (CFDI 3.3 and 4.0)
    Retenciones10,  // ?re=...&rr=...&tt=0000000000.000000&id=... (retenciones 1.0)
    Retenciones20,  // the SAT's verification address of retenciones (2.0)
};

struct InvoiceVersion {
    // The document's root element and its namespace; none for the Comprobante,
    // which is found as CFD and CFDI write it.
    const char* root_element = nullptr;
    const char* root_namespace = nullptr;
    const char* version = nullptr;  // compared without regard to the case of A to Z
    const char* issuer_query = nullptr;
    QrText qr = QrText::None;
    const char* receiver_query = nullptr;
    const char* foreign_receiver_query = nullptr;  // read when the receiver has no RFC
    const char* total_query = nullptr;
    const char* uuid_query = nullptr;
    const char* seal_query = nullptr;  // nullptr: the QR text carries no seal
    const char* template_file = nullptr;
    const char* config_file = nullptr;
    bool template_must_be_present = false;  // the converter runs only when the template lies beside the program
};

// Every row of the table, in order.
std::span<const InvoiceVersion> invoice_version_rows();

// The Comprobante's row of `version`; the row of an unknown version (no QR code, no template) otherwise.
const InvoiceVersion& invoice_version_row(const char* version);
// The row of another kind of document by its root element, that element's namespace
// and its version; null when the table has none.
const InvoiceVersion* document_kind_row(const char* root_element, const char* root_namespace, const char* version);

// What a row reads out of an invoice.
struct InvoiceReading {
    StrBufPtr issuer_rfc;    // the issuer's RFC, or none
    std::string qr_text;     // empty: no QR code is drawn
    bool too_large = false;  // a value was over the limit: the invoice is refused
};
// The values `row` names, each within `limit`.
InvoiceReading read_invoice(const Invoice& invoice, const InvoiceVersion& row, const ValueLimit& limit);
// The generic template the converter gets for `row`, or null when none is to run.
const char* generic_template_of(const InvoiceVersion& row);
