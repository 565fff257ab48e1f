#include "tools/ostrel/document_text.h"

#include "util/latin1.h"

std::string result_text(xmlDocPtr result) {
    std::string out;
    xmlNodePtr top = reinterpret_cast<xmlNodePtr>(result);
    for (xmlNodePtr node = result ? result->children : nullptr; node;) {
        if ((node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) && node->content) {
            out += reinterpret_cast<const char*>(node->content);
        }
        if (node->children && node->type == XML_ELEMENT_NODE) {
            node = node->children;
            continue;
        }
        while (node && !node->next && node->parent != top) node = node->parent;
        node = node ? node->next : nullptr;
    }
    return out;
}

std::string latin1_lines(const std::string& utf8) {
    std::string latin1(utf8.size(), '\0');
    latin1.resize(utf8_to_latin1(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size(), latin1.data()));
    std::string out;
    out.reserve(latin1.size() + latin1.size() / 16);
    for (const char c : latin1) {
        if (c == '\r') continue;
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}
