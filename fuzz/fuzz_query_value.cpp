#include <cstdint>
#include <cstdlib>
#include <string>

#include "xml/namespaces.h"
#include "xml/parse.h"
#include "xml/query.h"

namespace {

const char kInvoice[] =
    "<cfdi:Comprobante xmlns:cfdi='http://www.sat.gob.mx/cfd/3' xmlns='urn:def' version='3.2' total='1.00'>"
    "<cfdi:Emisor rfc='AAA010101AAA' nombre='Ca\xc3\xb1" "a \xe2\x82\xac'/><Concepto>texto</Concepto>"
    "<cfdi:Complemento><tfd:TimbreFiscalDigital xmlns:tfd='urn:tfd' UUID='x'/></cfdi:Complemento>"
    "</cfdi:Comprobante>";

struct Context {
    XmlDocPtr document;
    xmlXPathContextPtr xpath = nullptr;
    Context() {
        xml_setup();
        document.reset(parse_invoice_memory(kInvoice, sizeof kInvoice - 1));
        xpath = xmlXPathNewContext(document.get());
        register_namespaces(xpath, document.get());
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Context context;
    const std::string text(reinterpret_cast<const char*>(data), size);
    StrBufPtr query(strbuf_from_text(text.c_str()));
    StrBufPtr value(query_value(query.get(), context.xpath));
    if (value && (value->length >= value->capacity || value->text[value->length] != '\0')) std::abort();
    return 0;
}
