#pragma once
// The program's one way of parsing an invoice: no network, no DTD loading, no
// entity substitution, every external entity refused and no error printed.
#include <libxml/tree.h>

#include <cstddef>
#include <memory>

// Text of an invoice beyond libxml2's 10,000,000-byte node limit is carried in
// further text nodes, up to this much in all (an embedded document); an invoice
// whose values come to more is refused.
inline constexpr size_t kLongTextLimit = 64u << 20;

void xml_setup();     // once per process, before the first parse
void xml_teardown();  // releases libxml2's global state at the end of the run
xmlDocPtr parse_invoice_file(const char* path);
xmlDocPtr parse_invoice_memory(const char* bytes, int size);

struct XmlDocDeleter {
    void operator()(xmlDocPtr document) const { xmlFreeDoc(document); }
};
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocDeleter>;
