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
};

struct InvoiceVersion {
    const char* version = nullptr;  // compared without regard to the case of A to Z
    const char* issuer_query = nullptr;
    QrText qr = QrText::None;
    const char* receiver_query = nullptr;
    const char* total_query = nullptr;
    const char* uuid_query = nullptr;
    const char* seal_query = nullptr;  // nullptr: the QR text carries no seal
    const char* template_file = nullptr;
    const char* config_file = nullptr;
    bool template_must_be_present = false;  // the converter runs only when the template lies beside the program
};

// Every row of the table, in order.
std::span<const InvoiceVersion> invoice_version_rows();

// The row of `version`; the row of an unknown version (no QR code, no template) otherwise.
const InvoiceVersion& invoice_version_row(const char* version);

// What a row reads out of an invoice.
struct InvoiceReading {
    StrBufPtr issuer_rfc;    // the issuer's RFC, or none
    std::string qr_text;     // empty: no QR code is drawn
};
// The values `row` names, each within `limit` (which records a value over it).
InvoiceReading read_invoice(const Invoice& invoice, const InvoiceVersion& row, ValueLimit& limit);
// The generic template the converter gets for `row`, or null when none is to run.
const char* generic_template_of(const InvoiceVersion& row);
