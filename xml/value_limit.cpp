#include "xml/value_limit.h"

#include <libxml/entities.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "xml/parse.h"

namespace {

constexpr int64_t kMinimumLimit = 10ll << 20;
constexpr int64_t kFileFactor = 10;

// Sizes as a reader of the value would meet them: text and CDATA as they
// stand, an entity reference as its entity's content, each entity counted once.
class SizeCounter {
public:
    explicit SizeCounter(int64_t ceiling) : over_(ceiling + 1) {}

    int64_t node(const xmlNode* node) {
        switch (node->type) {
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
            return node->content ? static_cast<int64_t>(std::strlen(reinterpret_cast<const char*>(node->content))) : 0;
        case XML_ENTITY_REF_NODE:
            return entity(xmlGetDocEntity(node->doc, node->name));
        case XML_ELEMENT_NODE:
        case XML_ATTRIBUTE_NODE:
        case XML_DOCUMENT_FRAG_NODE:
            return list(node->children);
        default:
            return 0;
        }
    }

    // Every text and attribute value of the document, each entity reference
    // as its content; iterative, so that a deeply nested document cannot
    // exhaust the stack.
    int64_t document(const xmlDoc* document) {
        int64_t total = 0;
        const xmlNode* top = reinterpret_cast<const xmlNode*>(document);
        for (const xmlNode* at = top->children; at && total != over_;) {
            total = std::min(over_, total + own_size(at));
            if (at->type == XML_ELEMENT_NODE && at->children) {
                at = at->children;
                continue;
            }
            // Climbing from inside the document always reaches it again.
            while (at != top && !at->next) at = at->parent;
            at = at != top ? at->next : nullptr;
        }
        return total;
    }

private:
    // A node's own part of the document's values: its text, its attributes'
    // values, or the content of the entity it refers to.
    int64_t own_size(const xmlNode* at) {
        if (at->type == XML_ELEMENT_NODE) {
            int64_t size = 0;
            for (const xmlAttr* attribute = at->properties; attribute && size != over_; attribute = attribute->next) {
                size = std::min(over_, size + node(reinterpret_cast<const xmlNode*>(attribute)));
            }
            return size;
        }
        return at->type == XML_TEXT_NODE || at->type == XML_CDATA_SECTION_NODE || at->type == XML_ENTITY_REF_NODE
                   ? node(at)
                   : 0;
    }

    int64_t list(const xmlNode* first) {
        int64_t total = 0;
        for (const xmlNode* child = first; child && total != over_; child = child->next) {
            total = std::min(over_, total + node(child));
        }
        return total;
    }

    int64_t entity(const xmlEntity* declared) {
        if (!declared) return 0;
        const auto [known, added] = sizes_.emplace(declared, over_);  // a loop counts as too large
        if (!added) return known->second;
        int64_t size = 0;
        if (declared->children) {
            size = list(declared->children);
        } else if (declared->content) {
            size = static_cast<int64_t>(std::strlen(reinterpret_cast<const char*>(declared->content)));
        }
        sizes_[declared] = size;
        return size;
    }

    const int64_t over_;
    std::unordered_map<const xmlEntity*, int64_t> sizes_;
};

// The bytes the value of `node` (an element's text, an attribute's value, a
// text node) comes to with its entity references expanded, counted no further
// than `ceiling` + 1.
int64_t expanded_value_size(const xmlNode* node, int64_t ceiling) {
    if (!node) return 0;
    return SizeCounter(ceiling).node(node);
}

}  // namespace

ValueLimit value_limit_for_file(int64_t file_size) {
    constexpr auto kLongText = static_cast<int64_t>(kLongTextLimit);
    // Cut before scaling, so that no size overflows.
    const int64_t scaled = std::min(file_size, kLongText) * kFileFactor;
    return ValueLimit{std::min(kLongText, std::max(kMinimumLimit, scaled))};
}

bool document_fits(const xmlDoc* document, int64_t file_size, const ValueLimit& limit) {
    if (!document) return true;
    // Without entities the values never exceed the file itself.
    const int64_t ceiling = std::max(limit.max_bytes, file_size);
    return SizeCounter(ceiling).document(document) <= ceiling;
}

bool value_fits(const xmlNode* node, const ValueLimit& limit) {
    return expanded_value_size(node, limit.max_bytes) <= limit.max_bytes;
}
