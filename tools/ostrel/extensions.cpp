#include "tools/ostrel/extensions.h"

#include <libxml/xpathInternals.h>
#include <libxslt/extensions.h>
#include <libxslt/xsltInternals.h>

#include <string>
#include <vector>

#include "tools/ostrel/amount_words.h"
#include "tools/ostrel/money.h"
#include "tools/ostrel/original_chain.h"
#include "tools/ostrel/transform_run.h"
#include "viewer/qr_text.h"

namespace {

const TransformRun* run_of(xmlXPathParserContextPtr parser) {
    const xsltTransformContextPtr context = xsltXPathGetTransformContext(parser);
    return context ? static_cast<const TransformRun*>(context->_private) : nullptr;
}

// The arguments as strings, first to last; false (with XPath's arity error) for a wrong count.
bool pop_strings(xmlXPathParserContextPtr parser, int count, int least, int most, std::vector<std::string>& out) {
    if (count < least || count > most) {
        xmlXPathSetArityError(parser);
        return false;
    }
    out.assign(static_cast<size_t>(count), "");
    for (int i = count - 1; i >= 0; --i) {
        xmlChar* text = xmlXPathPopString(parser);
        if (text) out[static_cast<size_t>(i)] = reinterpret_cast<const char*>(text);
        xmlFree(text);
        if (parser->error) return false;
    }
    return true;
}

void push(xmlXPathParserContextPtr parser, const std::string& text) {
    valuePush(parser, xmlXPathNewString(reinterpret_cast<const xmlChar*>(text.c_str())));
}

void catalog_function(xmlXPathParserContextPtr parser, int count) {
    std::vector<std::string> args;
    const TransformRun* run = run_of(parser);
    if (!pop_strings(parser, count, 2, 2, args)) return;
    push(parser, run ? catalog_text(run->catalogs, args[0], args[1]) : args[1]);
}

void description_function(xmlXPathParserContextPtr parser, int count) {
    std::vector<std::string> args;
    const TransformRun* run = run_of(parser);
    if (!pop_strings(parser, count, 2, 2, args)) return;
    const std::string* description = run ? catalog_find(run->catalogs, args[0], args[1]) : nullptr;
    push(parser, description ? *description : args[1]);
}

void money_function(xmlXPathParserContextPtr parser, int count) {
    std::vector<std::string> args;
    if (!pop_strings(parser, count, 1, 2, args)) return;
    push(parser, money_format(args[0], count == 2 ? args[1] : ""));
}

void words_function(xmlXPathParserContextPtr parser, int count) {
    std::vector<std::string> args;
    const TransformRun* run = run_of(parser);
    if (!pop_strings(parser, count, 2, 2, args)) return;
    push(parser, run ? amount_in_words(args[0], args[1], run->catalogs) : "");
}

void chain_function(xmlXPathParserContextPtr parser, int count) {
    if (count != 1) {
        xmlXPathSetArityError(parser);
        return;
    }
    xmlNodeSetPtr nodes = xmlXPathPopNodeSet(parser);
    if (parser->error) return;
    push(parser, nodes && nodes->nodeNr > 0 ? original_chain(nodes->nodeTab[0]) : "");
    xmlXPathFreeNodeSet(nodes);
}

std::string qr_of(QrText style, const std::vector<std::string>& args) {
    StrBufPtr values[5];
    for (size_t i = 0; i < args.size() && i < 5; ++i) values[i].reset(strbuf_from_text(args[i].c_str()));
    const QrValues qr{values[0].get(), values[1].get(), values[2].get(), values[3].get(), values[4].get()};
    return qr_text(style, qr);
}

void verification_function(xmlXPathParserContextPtr parser, int count) {
    std::vector<std::string> args;
    if (!pop_strings(parser, count, 5, 5, args)) return;
    push(parser, qr_of(QrText::Verification, args));
}

void cfdi3_qr_function(xmlXPathParserContextPtr parser, int count) {
    std::vector<std::string> args;
    if (!pop_strings(parser, count, 4, 4, args)) return;
    push(parser, qr_of(QrText::Cfdi3, args));
}

}  // namespace

bool extensions_register(xsltTransformContextPtr context) {
    const struct {
        const char* name;
        xmlXPathFunction function;
    } functions[] = {{"catalogo", catalog_function},         {"descripcion", description_function},
                     {"importe", money_function},
                     {"letra", words_function},              {"cadena", chain_function},
                     {"verificacion", verification_function}, {"qr-cfdi3", cfdi3_qr_function}};
    for (const auto& f : functions) {
        if (xsltRegisterExtFunction(context, reinterpret_cast<const xmlChar*>(f.name),
                                    reinterpret_cast<const xmlChar*>(kOstrelNamespace), f.function) != 0) {
            return false;
        }
    }
    return true;
}
