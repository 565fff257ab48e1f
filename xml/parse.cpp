#include "xml/parse.h"

#include <libxml/parser.h>
#include <libxml/SAX2.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// Compact keeps short texts (the line breaks between a large invoice's
// elements) inside their nodes rather than in one allocation each.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_COMPACT;

// libxml2 refuses a text node over 10,000,000 bytes unless every limit is lifted
// (XML_PARSE_HUGE, which also lifts the guard against entity expansion). An
// embedded document is one long text, so text beyond that size is kept in
// further adjacent text nodes instead, which read back as the same content; up
// to kLongTextLimit bytes in all, after which the library's limit stands.

// What one parse keeps beside libxml2's own context.
struct ParseState {
    const char* opening = nullptr;   // the file being opened, until the loader has handed it out
    size_t split_bytes = 0;
    std::vector<xmlNodePtr> closed;  // text nodes taken out of coalescing
};

// The document being opened is the only thing the loader hands out; every
// other entity or DTD a file names is refused.
xmlParserInputPtr load_only_the_document(const char* url, const char*, xmlParserCtxtPtr context) {
    auto* state = context ? static_cast<ParseState*>(context->_private) : nullptr;
    if (!state || !state->opening || !url || std::strcmp(url, state->opening) != 0) return nullptr;
    state->opening = nullptr;
    return xmlNewInputFromFile(context, url);
}

void characters_past_the_node_limit(void* user, const xmlChar* text, int length) {
    auto* context = static_cast<xmlParserCtxtPtr>(user);
    auto* state = static_cast<ParseState*>(context->_private);
    xmlNodePtr last = context->node ? context->node->last : nullptr;
    if (last && last->type == XML_TEXT_NODE && last->name == xmlStringText &&
        static_cast<size_t>(context->nodelen) + static_cast<size_t>(length) > XML_MAX_TEXT_LENGTH &&
        state->split_bytes + static_cast<size_t>(context->nodelen) <= kLongTextLimit) {
        // A text node of another name is not extended: the library starts a new one.
        state->split_bytes += static_cast<size_t>(context->nodelen);
        last->name = xmlStringTextNoenc;
        state->closed.push_back(last);
    }
    xmlSAX2Characters(user, text, length);
}

struct ParserContextDeleter {
    void operator()(xmlParserCtxtPtr context) const { xmlFreeParserCtxt(context); }
};

template <typename Read>
xmlDocPtr parse_with_long_text(const char* opening, Read read) {
    std::unique_ptr<xmlParserCtxt, ParserContextDeleter> context(xmlNewParserCtxt());
    if (!context) return nullptr;  // a context is never made without its handlers
    ParseState state;
    state.opening = opening;
    context->_private = &state;
    context->sax->characters = characters_past_the_node_limit;
    context->sax->ignorableWhitespace = characters_past_the_node_limit;
    xmlDocPtr document = read(context.get());
    // The nodes are ordinary text again once the tree is whole.
    if (document) {
        for (xmlNodePtr node : state.closed) node->name = xmlStringText;
    }
    return document;
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
    return parse_with_long_text(
        path, [path](xmlParserCtxtPtr context) { return xmlCtxtReadFile(context, path, nullptr, kParseOptions); });
}

xmlDocPtr parse_invoice_memory(const char* bytes, int size) {
    if (!bytes || size < 0) return nullptr;
    return parse_with_long_text(nullptr, [bytes, size](xmlParserCtxtPtr context) {
        return xmlCtxtReadMemory(context, bytes, size, nullptr, nullptr, kParseOptions);
    });
}
