#pragma once
// The text a QR code carries, from values read out of an invoice. Every value
// reaches the QR tool's command line, so each must pass its check first.
#include <string>

#include "util/strbuf.h"
#include "viewer/invoice_versions.h"

struct QrValues {
    const StrBuf* issuer;
    const StrBuf* receiver;
    const StrBuf* total;
    const StrBuf* uuid;
    const StrBuf* seal;  // may be absent
    const StrBuf* foreign_receiver = nullptr;  // a foreign receiver's tax id, when `receiver` is absent
};

// The text for `style`; empty when a value is missing or fails its check.
std::string qr_text(QrText style, const QrValues& values);
// A total as the SAT's verification address writes it: no non-significant zeros,
// at least one decimal ("1160.00" gives "1160.0").
std::string verification_total(const std::string& total);
