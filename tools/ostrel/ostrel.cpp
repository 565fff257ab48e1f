// Stand-in template converter: fills a template with values of the invoice, read
// through the viewer's own XML layer.
//
//   Ostrel.exe INVOICE TEMPLATE OUT -c CONFIG
//
// Template: Latin-1 text. "{expression}" is replaced by the value of that braced
// query. Lines between "@each EXPRESSION" and "@end" are repeated for every node
// EXPRESSION finds; inside them "{@name}" is the attribute of the current node.
// CONFIG: lines "key=value"; "vacio" is the text for a value that is missing.
// Exit codes: 0 done, 2 usage, 3 invoice unreadable, 4 template or config unreadable, 5 OUT not written.
#include <libxml/xpath.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "util/strbuf.h"
#include "xml/namespaces.h"
#include "xml/parse.h"
#include "xml/qualify.h"
#include "xml/query.h"

namespace {

bool read_lines(const char* path, std::vector<std::string>& lines) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return true;
}

class Filler {
public:
    Filler(xmlXPathContextPtr context, std::string missing) : context_(context), missing_(std::move(missing)) {}

    std::string value(const std::string& expression) const {
        StrBufPtr query(strbuf_from_text(("{" + expression + "}").c_str()));
        StrBufPtr result(query ? query_value(query.get(), context_) : nullptr);
        return result ? std::string(result->text, static_cast<size_t>(result->length)) : missing_;
    }

    int count(const std::string& expression) const {
        StrBufPtr qualified(qualify_path(expression.c_str()));
        if (!qualified) return 0;
        xmlXPathObjectPtr found =
            xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(qualified->text), context_);
        const int n = (found && found->nodesetval) ? found->nodesetval->nodeNr : 0;
        xmlXPathFreeObject(found);
        return n;
    }

    // "{...}" replaced; `node` turns "{@name}" into the attribute of that node.
    std::string fill(const std::string& line, const std::string& node) const {
        std::string out;
        size_t at = 0;
        for (;;) {
            const size_t open = line.find('{', at);
            const size_t close = open == std::string::npos ? open : line.find('}', open + 1);
            if (close == std::string::npos) {
                out += line.substr(at);
                return out;
            }
            out += line.substr(at, open - at);
            std::string expression = line.substr(open + 1, close - open - 1);
            if (!node.empty() && !expression.empty() && expression[0] == '@') expression = node + "/" + expression;
            out += value(expression);
            at = close + 1;
        }
    }

private:
    xmlXPathContextPtr context_;
    std::string missing_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6 || std::string(argv[4]) != "-c") {
        std::fprintf(stderr, "uso: Ostrel.exe FACTURA PLANTILLA SALIDA -c CONFIGURACION\n");
        return 2;
    }
    std::vector<std::string> template_lines;
    std::vector<std::string> config_lines;
    if (!read_lines(argv[2], template_lines) || !read_lines(argv[5], config_lines)) return 4;
    std::map<std::string, std::string> config;
    for (const std::string& line : config_lines) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos) config[line.substr(0, eq)] = line.substr(eq + 1);
    }

    xml_setup();
    XmlDocPtr document(parse_invoice_file(argv[1]));
    if (!document) return 3;
    xmlXPathContextPtr context = xmlXPathNewContext(document.get());
    if (!context) return 3;
    register_namespaces(context, document.get());
    const Filler filler(context, config["vacio"]);

    std::string out;
    for (size_t i = 0; i < template_lines.size(); ++i) {
        const std::string& line = template_lines[i];
        if (line.rfind("@each ", 0) != 0) {
            out += filler.fill(line, "") + "\r\n";
            continue;
        }
        const std::string each = line.substr(6);
        size_t end = i + 1;
        while (end < template_lines.size() && template_lines[end] != "@end") ++end;
        const int n = filler.count(each);
        for (int k = 1; k <= n; ++k) {
            const std::string node = each + "[" + std::to_string(k) + "]";
            for (size_t j = i + 1; j < end; ++j) out += filler.fill(template_lines[j], node) + "\r\n";
        }
        i = end;
    }
    xmlXPathFreeContext(context);
    std::ofstream file(argv[3], std::ios::binary | std::ios::trunc);
    file << out;
    return file ? 0 : 5;
}
