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

std::string without_quotes(std::string text) {
    std::erase_if(text, [](char c) { return c == '"' || c == '\''; });
    return text;
}

// "element:attribute" with quotes grouping, as "//element/@attribute"; empty
// when no ":" lies outside quotes.
std::string shorthand_expression(const std::string& text) {
    bool quoted = false;
    for (size_t i = 0; i != text.size(); ++i) {
        if (text[i] == '"' || text[i] == '\'') quoted = !quoted;
        if (text[i] != ':' || quoted) continue;
        return "//" + without_quotes(text.substr(0, i)) + "/@" + without_quotes(text.substr(i + 1));
    }
    return std::string();
}

// A node's text content converted to a new Latin-1 buffer; null when it has none.
StrBuf* node_text_latin1(xmlNodePtr node) {
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

using XPathResult = std::unique_ptr<xmlXPathObject, XPathObjectDeleter>;

// The nodes a query finds, the first of them its value's; null when it finds none.
// A namespace node lives only as long as its result, so the result is kept.
XPathResult query_nodes(const StrBuf* query, const Invoice& invoice) {
    if (!invoice.context) return nullptr;
    const std::string text = strbuf_text(query);  // no query is the empty one, which finds nothing
    const bool braced = text.starts_with('{') && text.ends_with('}');
    const std::string expression = braced ? text.substr(1, text.size() - 2) : shorthand_expression(text);
    if (!braced && expression.empty()) return nullptr;
    StrBufPtr qualified(qualify_path(expression.c_str(), invoice.default_ns_count));
    if (!qualified) return nullptr;
    XPathResult result(
        xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(strbuf_text(qualified.get())), invoice.context));
    // Only a node-set has nodes; any other result has none.
    if (!result || xmlXPathNodeSetIsEmpty(result->nodesetval)) return nullptr;
    return result;
}

}  // namespace

StrBuf* query_value(const StrBuf* query, const Invoice& invoice) {
    const XPathResult nodes = query_nodes(query, invoice);
    return nodes ? node_text_latin1(nodes->nodesetval->nodeTab[0]) : nullptr;
}

LimitedValue query_value_within(const StrBuf* query, const Invoice& invoice, const ValueLimit& limit) {
    LimitedValue read;
    const XPathResult nodes = query_nodes(query, invoice);
    if (!nodes) return read;
    const xmlNodePtr node = nodes->nodesetval->nodeTab[0];
    read.too_large = !value_fits(node, limit);
    if (!read.too_large) read.value.reset(node_text_latin1(node));
    return read;
}
