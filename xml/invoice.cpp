#include "xml/invoice.h"

#include <new>

#include "xml/namespaces.h"
#include "xml/parse.h"
#include "xml/qualify.h"
#include "xml/query.h"

Invoice* invoice_new(xmlDocPtr document) {
    if (!document) return nullptr;
    auto* invoice = new (std::nothrow) Invoice{document};
    if (!invoice) {
        xmlFreeDoc(document);
        return nullptr;
    }
    invoice->context = xmlXPathNewContext(document);
    if (!invoice->context) {
        invoice_free(invoice);
        return nullptr;
    }
    register_namespaces(*invoice);
    return invoice;
}

void invoice_free(Invoice* invoice) {
    if (!invoice) return;
    if (invoice->search) xmlXPathFreeObject(invoice->search);
    if (invoice->context) xmlXPathFreeContext(invoice->context);
    if (invoice->document) xmlFreeDoc(invoice->document);
    delete invoice;
}

InvoicePtr invoice_from_file(const char* path) { return InvoicePtr(invoice_new(parse_invoice_file(path))); }

InvoicePtr invoice_from_memory(const char* bytes, int size) {
    return InvoicePtr(invoice_new(parse_invoice_memory(bytes, size)));
}

StrBuf* invoice_value(const Invoice& invoice, const char* query) {
    StrBufPtr text(strbuf_from_text(query));
    return text ? query_value(text.get(), invoice) : nullptr;
}

LimitedValue invoice_value_within(const Invoice& invoice, const char* query, const ValueLimit& limit) {
    StrBufPtr text(strbuf_from_text(query));
    return text ? query_value_within(text.get(), invoice, limit) : LimitedValue{};
}

const xmlNodeSet* invoice_find(Invoice& invoice, const char* expression) {
    StrBufPtr qualified(qualify_path(expression, invoice.default_ns_count));
    if (invoice.search) xmlXPathFreeObject(invoice.search);
    invoice.search = xmlXPathEvalExpression(
        reinterpret_cast<const xmlChar*>(qualified ? strbuf_text(qualified.get()) : expression), invoice.context);
    const xmlNodeSet* nodes = invoice.search ? invoice.search->nodesetval : nullptr;
    return nodes && nodes->nodeNr > 0 ? nodes : nullptr;
}

xmlNodePtr invoice_first_node(Invoice& invoice, const char* expression) {
    const xmlNodeSet* nodes = invoice_find(invoice, expression);
    return nodes ? nodes->nodeTab[0] : nullptr;
}
