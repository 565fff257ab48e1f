#include "xml/parse.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <cstring>

namespace {

constexpr int kParseOptions = XML_PARSE_NONET;

// The document being opened is the only thing the loader hands out; every
// other entity or DTD a file names is refused.
const char* g_opening = nullptr;

xmlParserInputPtr load_only_the_document(const char* url, const char*, xmlParserCtxtPtr context) {
    if (!g_opening || !url || std::strcmp(url, g_opening) != 0) return nullptr;
    g_opening = nullptr;
    return xmlNewInputFromFile(context, url);
}

// Errors are recorded as libxml2's last error and shown in message boxes only.
void ignore_generic_error(void*, const char*, ...) {}
void ignore_structured_error(void*, xmlErrorPtr) {}

}  // namespace

void xml_setup() {
    xmlInitParser();
    xmlSetExternalEntityLoader(load_only_the_document);
    xmlSetGenericErrorFunc(nullptr, ignore_generic_error);
    xmlSetStructuredErrorFunc(nullptr, ignore_structured_error);
}

void xml_teardown() { xmlCleanupParser(); }

xmlDocPtr parse_invoice_file(const char* path) {
    if (!path) return nullptr;
    g_opening = path;
    xmlDocPtr document = xmlReadFile(path, nullptr, kParseOptions);
    g_opening = nullptr;
    return document;
}

xmlDocPtr parse_invoice_memory(const char* bytes, int size) {
    if (!bytes || size < 0) return nullptr;
    return xmlReadMemory(bytes, size, nullptr, nullptr, kParseOptions);
}
