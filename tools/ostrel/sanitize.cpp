#include "tools/ostrel/sanitize.h"

#include <libxml/entities.h>

namespace {

void blank_text_node(xmlNodePtr node) {
    if (!node->content) return;
    std::string text(reinterpret_cast<const char*>(node->content));
    // Set anew rather than written over: short texts may be shared through the parser's dictionary.
    if (blank_controls(text)) xmlNodeSetContent(node, reinterpret_cast<const xmlChar*>(text.c_str()));
}

void blank_node(xmlNodePtr node) {
    if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
        blank_text_node(node);
        return;
    }
    if (node->type != XML_ELEMENT_NODE) return;
    for (xmlAttrPtr attribute = node->properties; attribute; attribute = attribute->next) {
        for (xmlNodePtr child = attribute->children; child; child = child->next) {
            if (child->type == XML_TEXT_NODE) blank_text_node(child);
        }
    }
}

// Every node of the lists below `first` and its siblings, without recursion.
void blank_tree(xmlNodePtr first) {
    xmlNodePtr top = first ? first->parent : nullptr;
    for (xmlNodePtr node = first; node;) {
        blank_node(node);
        // An entity reference's children are the entity's own, handled with the declarations.
        if (node->children && node->type == XML_ELEMENT_NODE) {
            node = node->children;
            continue;
        }
        while (node && !node->next && node->parent != top) node = node->parent;
        node = node ? node->next : nullptr;
    }
}

void blank_entities(xmlDtdPtr dtd) {
    for (xmlNodePtr node = dtd ? dtd->children : nullptr; node; node = node->next) {
        if (node->type != XML_ENTITY_DECL) continue;
        auto* entity = reinterpret_cast<xmlEntityPtr>(node);
        // The declaration's own copy of its text: the same length, so it is changed where it lies.
        if (entity->content) {
            std::string text(reinterpret_cast<const char*>(entity->content));
            if (blank_controls(text)) text.copy(reinterpret_cast<char*>(entity->content), text.size());
        }
        blank_tree(entity->children);
    }
}

}  // namespace

bool blank_controls(std::string& text) {
    bool changed = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool c1 = c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (c < 0x20 || c == 0x7F || c1) {
            text[i] = ' ';
            if (c1) text[++i] = ' ';
            changed = true;
        }
    }
    return changed;
}

void blank_invoice_controls(xmlDocPtr document) {
    if (!document) return;
    blank_tree(document->children);
    blank_entities(document->intSubset);
    blank_entities(document->extSubset);
}
