#include "xml/parse.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

namespace {

constexpr int kParseOptions = XML_PARSE_NONET;

xmlParserInputPtr refuse_external_entity(const char*, const char*, xmlParserCtxtPtr) { return nullptr; }

// Errors are recorded as libxml2's last error and shown in message boxes only.
void ignore_generic_error(void*, const char*, ...) {}
void ignore_structured_error(void*, xmlErrorPtr) {}

}  // namespace

void xml_setup() {
    xmlInitParser();
    xmlSetExternalEntityLoader(refuse_external_entity);
    xmlSetGenericErrorFunc(nullptr, ignore_generic_error);
    xmlSetStructuredErrorFunc(nullptr, ignore_structured_error);
}

xmlDocPtr parse_invoice_file(const char* path) {
    if (!path) return nullptr;
    return xmlReadFile(path, nullptr, kParseOptions);
}

xmlDocPtr parse_invoice_memory(const char* bytes, int size) {
    if (!bytes || size < 0) return nullptr;
    return xmlReadMemory(bytes, size, nullptr, nullptr, kParseOptions);
}
