#include <cstdint>
#include <cstdlib>
#include <string>

#include "xml/invoice.h"
#include "xml/parse.h"

namespace {

const char kInvoice[] =
    "<cfdi:Comprobante xmlns:cfdi='http://www.sat.gob.mx/cfd/3' xmlns='urn:def' version='3.2' total='1.00'>"
    "<cfdi:Emisor rfc='AAA010101AAA' nombre='Ca\xc3\xb1" "a \xe2\x82\xac'/><Concepto>texto</Concepto>"
    "<cfdi:Complemento><tfd:TimbreFiscalDigital xmlns:tfd='urn:tfd' UUID='x'/></cfdi:Complemento>"
    "</cfdi:Comprobante>";

const Invoice& invoice() {
    static const InvoicePtr parsed = [] {
        xml_setup();
        return invoice_from_memory(kInvoice, sizeof kInvoice - 1);
    }();
    return *parsed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    StrBufPtr value(invoice_value(invoice(), text.c_str()));
    if (value && (value->length >= value->capacity || value->text[value->length] != '\0')) std::abort();
    return 0;
}
