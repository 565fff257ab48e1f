#include "xml/namespaces.h"

#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

int default_ns_count = 0;

namespace {

constexpr const char* kDefaultPrefix = "fa-def-ns";

// Frees the array only: its entries belong to the document.
struct XmlFreeArray {
    void operator()(xmlNsPtr* entries) const { xmlFree(entries); }
};

const char* text_of(const xmlChar* text) { return reinterpret_cast<const char*>(text); }

void register_entries(xmlXPathContextPtr context, xmlNsPtr* entries, int* counter, KvList* generated_prefix_by_uri,
                      KvList* prefix_by_uri) {
    for (xmlNsPtr* entry = entries; *entry; ++entry) {
        const xmlNs* ns = *entry;
        if (!ns->href) continue;
        const char* uri = text_of(ns->href);
        if (!ns->prefix) {
            if (kv_find(generated_prefix_by_uri, uri)) continue;
            ++*counter;
            char prefix[512];
            if (*counter == 1) std::snprintf(prefix, sizeof prefix, "%s", kDefaultPrefix);
            else std::snprintf(prefix, sizeof prefix, "%s_%d", kDefaultPrefix, *counter);
            kv_set(generated_prefix_by_uri, uri, prefix);
            xmlXPathRegisterNs(context, reinterpret_cast<const xmlChar*>(prefix), ns->href);
            continue;
        }
        const char* prefix = text_of(ns->prefix);
        const StrBuf* known = kv_find(prefix_by_uri, uri);
        if (known && ascii_casecmp(strbuf_text(known), prefix) == 0) continue;
        kv_set(prefix_by_uri, uri, prefix);
        xmlXPathRegisterNs(context, ns->prefix, ns->href);
    }
}

}  // namespace

void register_node_namespaces(xmlXPathContextPtr context, xmlDocPtr document, xmlNodePtr node, int* counter,
                              KvList* generated_prefix_by_uri, KvList* prefix_by_uri) {
    // The namespaces in scope at a node that declares none are exactly its
    // parent's, entry for entry: such a node reuses its parent's list instead of
    // asking the library to walk all its ancestors again. Only nodes that declare
    // namespaces get a list of their own; the effect of the walk is unchanged.
    using InScope = std::shared_ptr<xmlNsPtr>;
    const auto in_scope_at = [document](xmlNodePtr at) { return InScope(xmlGetNsList(document, at), XmlFreeArray{}); };
    struct Pending {
        xmlNodePtr node;
        InScope in_scope;
    };
    // Depth first, a node before its children, without recursion: a deeply
    // nested hostile document must not exhaust the stack.
    std::vector<Pending> pending;
    if (node) pending.push_back({node, in_scope_at(node)});
    while (!pending.empty()) {
        Pending current = std::move(pending.back());
        pending.pop_back();
        if (current.in_scope) {
            register_entries(context, current.in_scope.get(), counter, generated_prefix_by_uri, prefix_by_uri);
        }
        // Entity content is shared between references; walking into it would let a
        // small hostile document cost exponential time.
        const xmlNodePtr at = current.node;
        if (at->type == XML_ENTITY_REF_NODE || at->type == XML_DTD_NODE) continue;
        xmlNodePtr last = at->children;
        if (!last) continue;
        while (last->next) last = last->next;
        for (xmlNodePtr child = last; child; child = child->prev) {
            const bool declares = child->type == XML_ELEMENT_NODE && child->nsDef;
            pending.push_back({child, declares ? in_scope_at(child) : current.in_scope});
        }
    }
}

void register_namespaces(xmlXPathContextPtr context, xmlDocPtr document) {
    KvListPtr prefix_by_uri(kv_new());
    KvListPtr generated_prefix_by_uri(kv_new());
    default_ns_count = 0;
    if (!context || !document) return;
    // Every top-level node: a comment or processing instruction before the root
    // must not hide the root's namespaces.
    for (xmlNodePtr top = document->children; top; top = top->next) {
        register_node_namespaces(context, document, top, &default_ns_count, generated_prefix_by_uri.get(),
                                 prefix_by_uri.get());
    }
}
