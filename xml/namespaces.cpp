#include "xml/namespaces.h"

#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

int default_ns_count = 0;

namespace {

constexpr const char* kDefaultPrefix = "fa-def-ns";

// The namespaces in scope at a node, as the library lists them, and the moment
// a pass over them last changed nothing. Bindings change only when the lists
// change, so until something else changes them another pass does nothing too.
struct InScope {
    xmlNsPtr* entries;
    long long settled_at = -1;  // the count of changes when a pass changed nothing; -1: none yet
    explicit InScope(xmlNsPtr* list) : entries(list) {}
    ~InScope() { xmlFree(entries); }  // the array only: its entries belong to the document
    InScope(const InScope&) = delete;
    InScope& operator=(const InScope&) = delete;
};

const char* text_of(const xmlChar* text) { return reinterpret_cast<const char*>(text); }

// Handles each entry in order; true when it stored or registered anything.
bool register_entries(xmlXPathContextPtr context, xmlNsPtr* entries, int* counter, KvList* generated_prefix_by_uri,
                      KvList* prefix_by_uri) {
    bool changed = false;
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
            changed = true;
            continue;
        }
        const char* prefix = text_of(ns->prefix);
        const StrBuf* known = kv_find(prefix_by_uri, uri);
        if (known && ascii_casecmp(strbuf_text(known), prefix) == 0) continue;
        kv_set(prefix_by_uri, uri, prefix);
        xmlXPathRegisterNs(context, ns->prefix, ns->href);
        changed = true;
    }
    return changed;
}

}  // namespace

void register_node_namespaces(xmlXPathContextPtr context, xmlDocPtr document, xmlNodePtr node, int* counter,
                              KvList* generated_prefix_by_uri, KvList* prefix_by_uri) {
    // The namespaces in scope at a node that declares none are exactly its
    // parent's, entry for entry: such a node shares its parent's list instead of
    // asking the library to walk all its ancestors again, and skips the pass
    // while that list is settled. Only nodes that declare namespaces get a list
    // of their own; the effect of the walk is unchanged.
    const auto in_scope_at = [document](xmlNodePtr at) -> std::shared_ptr<InScope> {
        xmlNsPtr* entries = xmlGetNsList(document, at);
        return entries ? std::make_shared<InScope>(entries) : nullptr;
    };
    long long changes = 0;
    const auto handle = [&](InScope* scope) {
        if (!scope || scope->settled_at == changes) return;
        if (register_entries(context, scope->entries, counter, generated_prefix_by_uri, prefix_by_uri)) {
            ++changes;
        } else {
            scope->settled_at = changes;
        }
    };
    // Entity content is shared between references; walking into it would let a
    // small hostile document cost exponential time.
    const auto first_to_visit = [](xmlNodePtr at) {
        return at->type == XML_ENTITY_REF_NODE || at->type == XML_DTD_NODE ? nullptr : at->children;
    };
    if (!node) return;

    // Depth first, a node before its children, without recursion: a deeply
    // nested hostile document must not exhaust the stack. Each entry is a node
    // still to visit with its parent's list; its next sibling is queued when it
    // is reached, so that every node is touched once.
    struct Pending {
        xmlNodePtr node;
        std::shared_ptr<InScope> outer;
    };
    std::vector<Pending> pending;
    std::shared_ptr<InScope> start = in_scope_at(node);
    handle(start.get());
    if (xmlNodePtr child = first_to_visit(node)) pending.push_back({child, std::move(start)});
    while (!pending.empty()) {
        Pending current = std::move(pending.back());
        pending.pop_back();
        const xmlNodePtr at = current.node;
        if (at->next) pending.push_back({at->next, current.outer});
        const bool declares = at->type == XML_ELEMENT_NODE && at->nsDef;
        std::shared_ptr<InScope> scope = declares ? in_scope_at(at) : std::move(current.outer);
        handle(scope.get());
        if (xmlNodePtr child = first_to_visit(at)) pending.push_back({child, std::move(scope)});
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
