#include "tools/ostrel/original_chain.h"

namespace {

// The attribute's value with blanks collapsed and trimmed; present tells whether it exists.
std::string attribute(xmlNodePtr element, const char* name, bool& present) {
    xmlChar* value = xmlGetNoNsProp(element, reinterpret_cast<const xmlChar*>(name));
    present = value != nullptr;
    std::string out;
    for (const xmlChar* c = value; c && *c; ++c) {
        const bool blank = *c == ' ' || *c == '\t' || *c == '\r' || *c == '\n';
        if (!blank) out += static_cast<char>(*c);
        else if (!out.empty() && c[1] && out.back() != ' ') out += ' ';
    }
    xmlFree(value);
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

}  // namespace

std::string original_chain(xmlNodePtr stamp) {
    if (!stamp || stamp->type != XML_ELEMENT_NODE) return "";
    bool present = false;
    const bool tfd11 = (attribute(stamp, "Version", present), present);
    const bool tfd10 = !tfd11 && (attribute(stamp, "version", present), present);
    if (!tfd11 && !tfd10) return "";
    static const char* const kFields11[] = {"Version", "UUID", "FechaTimbrado", "RfcProvCertif", "Leyenda",
                                            "SelloCFD", "NoCertificadoSAT"};
    static const char* const kFields10[] = {"version", "UUID", "FechaTimbrado", "selloCFD", "noCertificadoSAT"};
    std::string chain = "|";
    const auto add = [&](const char* field, bool optional) {
        const std::string value = attribute(stamp, field, present);
        if (optional && !present) return;
        chain += "|" + value;
    };
    if (tfd11) {
        for (const char* field : kFields11) add(field, std::string(field) == "Leyenda");
    } else {
        for (const char* field : kFields10) add(field, false);
    }
    return chain + "||";
}
