#include "xml/namespaces.h"

#include <unordered_set>
#include <vector>

#include "util/kvlist.h"
#include "xml/invoice.h"

namespace {

constexpr const char* kDefaultPrefix = kDefaultNsPrefix;

const char* text_of(const xmlChar* text) { return reinterpret_cast<const char*>(text); }

void bind(NamespaceBindings& bindings, const std::string& prefix, const xmlChar* uri) {
    const auto [known, added] = bindings.registration_of_prefix.emplace(prefix, bindings.registrations.size());
    if (added) bindings.registrations.emplace_back(prefix, uri);
    else bindings.registrations[known->second].second = uri;
}

void register_all(xmlXPathContextPtr context, const NamespaceBindings& bindings) {
    if (!context->nsHash) context->nsHash = xmlHashCreate(static_cast<int>(bindings.registrations.size()) + 1);
    for (const auto& [prefix, uri] : bindings.registrations) {
        xmlXPathRegisterNs(context, reinterpret_cast<const xmlChar*>(prefix.c_str()), uri);
    }
}

std::string uri_key(const char* uri) {
    std::string key = uri;
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

void register_default(const xmlNs* ns, int* counter, NamespaceBindings& bindings) {
    const std::string key = uri_key(text_of(ns->href));
    if (bindings.generated_prefix_by_uri.count(key)) return;
    ++*counter;
    const std::string prefix = *counter == 1 ? kDefaultPrefix : kDefaultPrefix + ("_" + std::to_string(*counter));
    bindings.generated_prefix_by_uri[key] = prefix;
    bind(bindings, prefix, ns->href);
}

void register_prefixed(const xmlNs* ns, NamespaceBindings& bindings) {
    const char* uri = text_of(ns->href);
    const std::string key = uri_key(uri);
    const std::string prefix = text_of(ns->prefix);
    const auto known = bindings.prefix_by_uri.find(key);
    if (known != bindings.prefix_by_uri.end() && ascii_casecmp(known->second.c_str(), prefix.c_str()) == 0) return;
    // A prefix keeps the meaning it has where it is first declared: an addenda
    // that binds "cfdi" or "tfd" to a URI of its own must not hide the invoice.
    const auto bound = bindings.uri_by_prefix.find(prefix);
    if (bound != bindings.uri_by_prefix.end() && ascii_casecmp(bound->second.c_str(), uri) != 0) return;
    bindings.prefix_by_uri[key] = prefix;
    bindings.uri_by_prefix.emplace(prefix, uri);
    bind(bindings, prefix, ns->href);
}

void register_one(const xmlNs* ns, int* counter, NamespaceBindings& bindings) {
    // xmlns="" takes a default namespace away; it declares none.
    if (!ns->href || !*ns->href) return;
    if (ns->prefix) register_prefixed(ns, bindings);
    else register_default(ns, counter, bindings);
}

// The declarations in scope at a node: its own first, then its ancestors', one per prefix.
std::vector<const xmlNs*> in_scope(const xmlNode* node) {
    std::vector<const xmlNs*> found;
    std::unordered_set<std::string> prefixes;
    for (const xmlNode* at = node; at; at = at->parent) {
        if (at->type != XML_ELEMENT_NODE) continue;
        for (const xmlNs* ns = at->nsDef; ns; ns = ns->next) {
            if (prefixes.insert(ns->prefix ? text_of(ns->prefix) : "").second) found.push_back(ns);
        }
    }
    return found;
}

// Entity content is shared between references; walking into it would let a
// small hostile document cost exponential time.
xmlNodePtr first_to_visit(xmlNodePtr at) {
    return at->type == XML_ENTITY_REF_NODE || at->type == XML_DTD_NODE ? nullptr : at->children;
}

void collect_node_namespaces(xmlNodePtr node, int* counter, NamespaceBindings& bindings) {
    if (!node) return;
    for (const xmlNs* ns : in_scope(node)) register_one(ns, counter, bindings);
    // Below the node each declaration counts where it is made: what is in scope
    // there from above was handled already, and handling it again changes no
    // binding. So the walk is linear in nodes and declarations. Depth first, a
    // node before its children, without recursion: a deeply nested hostile
    // document must not exhaust the stack.
    xmlNodePtr at = first_to_visit(node);
    while (at) {
        if (at->type == XML_ELEMENT_NODE) {
            for (const xmlNs* ns = at->nsDef; ns; ns = ns->next) register_one(ns, counter, bindings);
        }
        if (xmlNodePtr child = first_to_visit(at)) {
            at = child;
            continue;
        }
        // Climbing from inside `node` always reaches it again.
        while (at != node && !at->next) at = at->parent;
        at = at != node ? at->next : nullptr;
    }
}

}  // namespace

void register_namespaces(Invoice& invoice) {
    invoice.default_ns_count = 0;
    if (!invoice.context || !invoice.document) return;
    NamespaceBindings bindings;
    // Every top-level node: a comment or processing instruction before the root
    // must not hide the root's namespaces.
    for (xmlNodePtr top = invoice.document->children; top; top = top->next) {
        collect_node_namespaces(top, &invoice.default_ns_count, bindings);
    }
    register_all(invoice.context, bindings);
}

void register_node_namespaces(xmlXPathContextPtr context, xmlDocPtr, xmlNodePtr node, int* counter,
                              NamespaceBindings& bindings) {
    collect_node_namespaces(node, counter, bindings);
    register_all(context, bindings);
}
