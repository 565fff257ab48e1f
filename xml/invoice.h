#pragma once
// A parsed invoice ready to be searched: the document, its XPath context with
// every namespace registered, and the latest node search. Owns all three.
// Results in xml/: a document, value or node, or null for none; a read under a
// size limit gives a LimitedValue, which tells a value over the limit from none;
// a check gives a bool; the error reports give the exit code of the run they end.
#include <libxml/tree.h>
#include <libxml/xpath.h>

#include <memory>

#include "util/strbuf.h"
#include "xml/query.h"
#include "xml/value_limit.h"

struct Invoice {
    xmlDocPtr document = nullptr;
    xmlXPathContextPtr context = nullptr;
    int default_ns_count = 0;            // default namespaces given a generated prefix
    xmlXPathObjectPtr search = nullptr;  // the latest node search
};

// Takes `document` (freed here when no context can be had); null without a document or memory.
Invoice* invoice_new(xmlDocPtr document);
void invoice_free(Invoice* invoice);
struct InvoiceDeleter {
    void operator()(Invoice* invoice) const { invoice_free(invoice); }
};
using InvoicePtr = std::unique_ptr<Invoice, InvoiceDeleter>;

// A file or bytes parsed the program's one way; null when they do not parse.
InvoicePtr invoice_from_file(const char* path);
InvoicePtr invoice_from_memory(const char* bytes, int size);

// The value a query text ("{expression}" or "element:attribute") reads, as
// Latin-1; null for none.
StrBuf* invoice_value(const Invoice& invoice, const char* query);
// The same under a size limit, a value over it told apart from none.
LimitedValue invoice_value_within(const Invoice& invoice, const char* query, const ValueLimit& limit);
// The nodes an expression finds, qualified when that can be had and evaluated as
// written otherwise; kept as the invoice's latest search. Null when none.
const xmlNodeSet* invoice_find(Invoice& invoice, const char* expression);
xmlNodePtr invoice_first_node(Invoice& invoice, const char* expression);
