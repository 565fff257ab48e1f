#pragma once
// Registers every namespace of a parsed document with an XPath context: prefixed
// ones under their prefix, default ones under "fa-def-ns", fa-def-ns_2, ...
#include <libxml/tree.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

struct Invoice;

// The prefix of the first default namespace; later ones add "_2", "_3", ...
inline constexpr const char* kDefaultNsPrefix = "fa-def-ns";

// What one registration has bound so far. URIs are compared without regard to
// the case of A to Z, so they are kept under their lower-case form.
struct NamespaceBindings {
    std::unordered_map<std::string, std::string> prefix_by_uri;            // the prefix stored last for a URI
    std::unordered_map<std::string, std::string> generated_prefix_by_uri;  // the generated prefix of a default URI
    std::unordered_map<std::string, std::string> uri_by_prefix;            // the URI a prefix keeps
    // What the context gets, each prefix once with the URI stored last for it. It is
    // registered in one go into a table sized for it: libxml2 grows the context's
    // table only on a first insertion, so a document with many prefixes would
    // otherwise fill a table of ten slots.
    std::vector<std::pair<std::string, const xmlChar*>> registrations;
    std::unordered_map<std::string, size_t> registration_of_prefix;
};

// Registers with the invoice's context and sets its default_ns_count.
void register_namespaces(Invoice& invoice);
// The namespaces in scope at `node`, then every declaration below it in document order.
void register_node_namespaces(xmlXPathContextPtr context, xmlDocPtr document, xmlNodePtr node, int* counter,
                              NamespaceBindings& bindings);
