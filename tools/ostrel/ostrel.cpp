// Stand-in template converter: fills a template with values of the invoice, read
// through the viewer's own XML layer.
//
//   Ostrel.exe INVOICE TEMPLATE OUT -c CONFIG
//
// Template: Latin-1 text. "{expression}" is replaced by the value of that braced
// query. Lines between "@each EXPRESSION" and "@end" are repeated for every node
// EXPRESSION finds; lines between "@if EXPRESSION" and "@end" are kept when it
// finds any. Both nest. Inside a loop, an expression that does not begin with
// "/" is read from the current node ("{@name}" is its attribute). "{=cadena
// EXPRESSION}" is the original chain of the stamp EXPRESSION finds:
// ||Version|UUID|FechaTimbrado|RfcProvCertif|Leyenda|SelloCFD|NoCertificadoSAT||,
// an absent Leyenda left out with its bar.
// CONFIG: lines "key=value"; "vacio" is the text for a value that is missing.
// Exit codes: 0 done, 2 usage, 3 invoice unreadable, 4 template or config unreadable, 5 OUT not written.
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "util/strbuf.h"
#include "xml/invoice.h"
#include "xml/parse.h"

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

bool starts_with(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

class Filler {
public:
    Filler(Invoice& invoice, std::string missing) : invoice_(invoice), missing_(std::move(missing)) {}

    // Lines [first, last) of the template, read at `node` (empty at the top).
    void render(const std::vector<std::string>& lines, size_t first, size_t last, const std::string& node,
                std::string& out) const {
        for (size_t i = first; i < last; ++i) {
            const std::string& line = lines[i];
            const bool each = starts_with(line, "@each ");
            if (!each && !starts_with(line, "@if ")) {
                out += fill(line, node) + "\r\n";
                continue;
            }
            const size_t end = matching_end(lines, i, last);
            const std::string expression = at_node(line.substr(each ? 6 : 4), node);
            const int n = count(expression);
            if (each) {
                for (int k = 1; k <= n; ++k) render(lines, i + 1, end, expression + "[" + std::to_string(k) + "]", out);
            } else if (n > 0) {
                render(lines, i + 1, end, node, out);
            }
            i = end;
        }
    }

private:
    static std::string at_node(const std::string& expression, const std::string& node) {
        return node.empty() || expression.empty() || expression[0] == '/' ? expression : node + "/" + expression;
    }

    // The "@end" that closes the section opened at `open`, or `last`.
    static size_t matching_end(const std::vector<std::string>& lines, size_t open, size_t last) {
        int depth = 0;
        for (size_t i = open; i < last; ++i) {
            if (starts_with(lines[i], "@each ") || starts_with(lines[i], "@if ")) ++depth;
            else if (lines[i] == "@end" && --depth == 0) return i;
        }
        return last;
    }

    bool read(const std::string& expression, std::string& text) const {
        StrBufPtr result(invoice_value(invoice_, ("{" + expression + "}").c_str()));
        if (!result) return false;
        text.assign(result->text, static_cast<size_t>(result->length));
        return true;
    }

    std::string value(const std::string& expression) const {
        std::string text;
        return read(expression, text) ? text : missing_;
    }

    int count(const std::string& expression) const {
        const xmlNodeSet* found = invoice_find(invoice_, expression.c_str());
        return found ? found->nodeNr : 0;
    }

    std::string original_chain(const std::string& stamp) const {
        std::string chain = "|";
        for (const char* field : {"Version", "UUID", "FechaTimbrado", "RfcProvCertif", "Leyenda", "SelloCFD",
                                  "NoCertificadoSAT"}) {
            std::string text;
            const bool present = read(stamp + "/@" + field, text);
            if (!present && std::string(field) == "Leyenda") continue;
            chain += "|" + text;
        }
        return chain + "||";
    }

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
            const std::string expression = line.substr(open + 1, close - open - 1);
            if (starts_with(expression, "=cadena ")) {
                out += original_chain(at_node(expression.substr(8), node));
            } else {
                out += value(at_node(expression, node));
            }
            at = close + 1;
        }
    }

    Invoice& invoice_;
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
    InvoicePtr invoice(invoice_from_file(argv[1]));
    if (!invoice) return 3;
    const Filler filler(*invoice, config["vacio"]);

    std::string out;
    filler.render(template_lines, 0, template_lines.size(), "", out);
    std::ofstream file(argv[3], std::ios::binary | std::ios::trunc);
    file << out;
    return file ? 0 : 5;
}
