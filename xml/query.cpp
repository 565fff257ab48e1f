#include "xml/query.h"

#include <cstring>
#include <memory>
#include <string>

#include "util/latin1.h"
#include "xml/invoice.h"
#include "xml/qualify.h"

namespace {

struct XPathObjectDeleter {
    void operator()(xmlXPathObjectPtr object) const { xmlXPathFreeObject(object); }
};

// "element:attribute" with quotes grouping; null when no ":" lies outside quotes.
StrBuf* shorthand_expression(const char* text, int32_t n) {
    bool quoted = false;
    int32_t colon = -1;
    for (int32_t i = 0; i < n; ++i) {
        if (text[i] == '"' || text[i] == '\'') quoted = !quoted;
        else if (text[i] == ':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon < 0) return nullptr;
    const std::string element_raw(text, static_cast<size_t>(colon));
    StrBufPtr element(strbuf_remove_chars(element_raw.c_str(), "\"'"));
    StrBufPtr attribute(strbuf_remove_chars(text + colon + 1, "\"'"));
    if (!element || !attribute) return nullptr;
    StrBuf* expression = nullptr;
    strbuf_reserve_for(&expression, element->length + attribute->length + 4);
    if (!strbuf_append_text(&expression, "//") || !strbuf_append_buf(&expression, element.get()) ||
        !strbuf_append_text(&expression, "/@") || !strbuf_append_buf(&expression, attribute.get())) {
        strbuf_free(expression);
        return nullptr;
    }
    return expression;
}

// A node's text content converted to a new Latin-1 buffer; null when it has none
// or when it is over `limit`.
StrBuf* node_text_latin1(xmlNodePtr node, ValueLimit* limit) {
    if (limit && !value_fits(node, *limit)) return nullptr;
    xmlChar* content = xmlNodeGetContent(node);
    if (!content) return nullptr;
    const int m = xmlStrlen(content);
    StrBuf* result = strbuf_new(m + 1);
    if (!result || !result->text) {
        strbuf_free(result);
        xmlFree(content);
        return nullptr;
    }
    result->length = static_cast<int32_t>(utf8_to_latin1(content, static_cast<size_t>(m), result->text));
    result->text[result->length] = '\0';
    xmlFree(content);
    return result;
}

}  // namespace

StrBuf* query_value(const StrBuf* query, const Invoice& invoice, ValueLimit* limit) {
    if (!query || !invoice.context) return nullptr;
    const char* text = strbuf_text(query);
    const int32_t n = static_cast<int32_t>(std::strlen(text));
    StrBufPtr expression;
    if (n >= 2 && text[0] == '{' && text[n - 1] == '}') {
        expression.reset(strbuf_new(n - 1));
        if (!expression || !expression->text) return nullptr;
        strbuf_fill(expression.get(), text + 1, n - 2);
    } else {
        expression.reset(shorthand_expression(text, n));
        if (!expression) return nullptr;
    }
    StrBufPtr qualified(qualify_path_buf(expression.get(), invoice.default_ns_count));
    expression.reset();
    if (!qualified) return nullptr;
    std::unique_ptr<xmlXPathObject, XPathObjectDeleter> result(
        xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(strbuf_text(qualified.get())), invoice.context));
    qualified.reset();
    if (!result || result->type != XPATH_NODESET || !result->nodesetval || result->nodesetval->nodeNr < 1) {
        return nullptr;
    }
    return node_text_latin1(result->nodesetval->nodeTab[0], limit);
}
