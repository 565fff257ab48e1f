#include "tools/ostrel/catalogs.h"

#include <fstream>

namespace {

std::string key_of(const std::string& catalog, const std::string& code) { return catalog + '\x1f' + code; }

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

void catalogs_add(Catalogs& catalogs, const std::string& catalog, const std::string& code,
                  const std::string& description) {
    std::string clean = description;
    // A description reaches the document inside a directive: no control character may split it.
    for (char& c : clean) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    catalogs.entries[key_of(catalog, code)] = clean;
}

bool catalogs_load(Catalogs& catalogs, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    for (std::string line; std::getline(in, line);) {
        line = trimmed(line);
        if (line.empty() || line[0] == '#') continue;
        const size_t first = line.find('|');
        const size_t second = first == std::string::npos ? first : line.find('|', first + 1);
        if (second == std::string::npos) continue;
        catalogs_add(catalogs, trimmed(line.substr(0, first)), trimmed(line.substr(first + 1, second - first - 1)),
                     trimmed(line.substr(second + 1)));
    }
    return !in.bad();
}

const std::string* catalog_find(const Catalogs& catalogs, const std::string& catalog, const std::string& code) {
    const auto found = catalogs.entries.find(key_of(catalog, code));
    return found == catalogs.entries.end() ? nullptr : &found->second;
}

std::string catalog_text(const Catalogs& catalogs, const std::string& catalog, const std::string& code) {
    const std::string wanted = trimmed(code);
    if (wanted.empty()) return "";
    const std::string* description = catalog_find(catalogs, catalog, wanted);
    if (!description || description->empty() || *description == wanted) return code;
    return wanted + " - " + *description;
}
