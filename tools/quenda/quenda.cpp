// Stand-in renderer. Reads a document (Latin-1 text with CR LF line ends; an
// image after "~D", "~A" or "~#D" as a quoted file name in the working directory),
// the "-x=" invoice path and further arguments, and writes a self-contained HTML
// page into rendered/ of the program's directory, named after the invoice. A QR
// bitmap in the working directory named after the invoice's UUID is shown too.
//
//   Quenda.exe DOCUMENT "-x=INVOICE" [ARGUMENT ...]
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "util/strbuf.h"
#include "xml/invoice.h"
#include "xml/parse.h"

namespace {

std::string read_file(const std::string& path, bool& ok) {
    std::ifstream in(path, std::ios::binary);
    ok = static_cast<bool>(in);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string base64(const std::string& bytes) {
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += digits[v >> 18];
        out += digits[(v >> 12) & 63];
        out += digits[(v >> 6) & 63];
        out += digits[v & 63];
    }
    if (i < bytes.size()) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += digits[v >> 18];
        out += digits[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? digits[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

// Latin-1 text as HTML-escaped UTF-8.
std::string html_text(const std::string& latin1) {
    std::string out;
    for (const unsigned char c : latin1) {
        switch (c) {
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '&': out += "&amp;"; break;
            case '"': out += "&quot;"; break;
            default:
                if (c < 0x80) {
                    out += static_cast<char>(c);
                } else {
                    out += static_cast<char>(0xC0 | (c >> 6));
                    out += static_cast<char>(0x80 | (c & 0x3F));
                }
        }
    }
    return out;
}

std::string mime_of(const std::string& name) {
    const std::string ext = std::filesystem::path(name).extension().string();
    if (ext == ".png" || ext == ".PNG") return "image/png";
    if (ext == ".gif" || ext == ".GIF") return "image/gif";
    if (ext == ".bmp" || ext == ".BMP") return "image/bmp";
    if (ext == ".svg" || ext == ".SVG") return "image/svg+xml";
    return "image/jpeg";
}

std::string image_tag(const std::string& name, const char* css_class) {
    bool ok = false;
    const std::string bytes = read_file(name, ok);
    if (!ok) return "<span class=\"missing\">[imagen no disponible: " + html_text(name) + "]</span>";
    return "<img class=\"" + std::string(css_class) + "\" alt=\"" + html_text(name) + "\" src=\"data:" +
           mime_of(name) + ";base64," + base64(bytes) + "\">";
}

// One document line: text, with images where the markers name them.
std::string render_line(const std::string& line) {
    static const char* markers[] = {"~#D", "~D", "~A"};
    std::string out;
    size_t at = 0;
    while (at < line.size()) {
        size_t best = std::string::npos;
        size_t marker_length = 0;
        for (const char* marker : markers) {
            const size_t found = line.find(marker, at);
            if (found < best) {
                best = found;
                marker_length = std::char_traits<char>::length(marker);
            }
        }
        const size_t open = best == std::string::npos ? best : line.find('"', best + marker_length);
        const size_t close = open == std::string::npos ? open : line.find('"', open + 1);
        if (close == std::string::npos) {
            out += html_text(line.substr(at));
            break;
        }
        out += html_text(line.substr(at, best - at));
        out += image_tag(line.substr(open + 1, close - open - 1), "image");
        at = close + 1;
    }
    return out;
}

std::string invoice_uuid(const std::string& invoice) {
    xml_setup();
    InvoicePtr parsed(invoice_from_file(invoice.c_str()));
    if (!parsed) return std::string();
    StrBufPtr uuid(invoice_value(*parsed, "{/cfdi:Comprobante/cfdi:Complemento/tfd:TimbreFiscalDigital/@UUID}"));
    return uuid ? strbuf_text(uuid.get()) : std::string();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "uso: Quenda.exe DOCUMENTO \"-x=FACTURA\" [ARGUMENTOS]\n");
        return 2;
    }
    const std::string document_path = argv[1];
    std::string invoice;
    std::vector<std::string> extra;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("-x=", 0) == 0) invoice = arg.substr(3);
        else extra.push_back(arg);
    }
    bool ok = false;
    const std::string document = read_file(document_path, ok);
    if (!ok) {
        std::fprintf(stderr, "Quenda: no se pudo leer el documento %s\n", document_path.c_str());
        return 3;
    }

    std::string page =
        "<!DOCTYPE html>\n<html lang=\"es\"><head><meta charset=\"utf-8\"><title>" +
        html_text(std::filesystem::path(invoice.empty() ? document_path : invoice).filename().string()) +
        "</title>\n<style>body{font-family:sans-serif;max-width:60em;margin:2em auto}"
        ".image{max-height:8em}.qr{width:12em;image-rendering:pixelated}p{margin:.2em 0;white-space:pre-wrap}"
        ".missing{color:#a00}</style></head><body>\n";
    std::istringstream lines(document);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        page += "<p>" + render_line(line) + "</p>\n";
    }
    const std::string uuid = invoice.empty() ? std::string() : invoice_uuid(invoice);
    if (!uuid.empty() && std::filesystem::exists(uuid + ".bmp")) {
        page += "<p>" + image_tag(uuid + ".bmp", "qr") + "</p>\n";
    }
    if (!extra.empty()) {
        page += "<p><small>Par\xc3\xa1metros:";
        for (const std::string& arg : extra) {
            page += ' ';
            page += html_text(arg);
        }
        page += "</small></p>\n";
    }
    page += "</body></html>\n";

    const std::filesystem::path own_dir = std::filesystem::path(platform_module_path()).parent_path();
    const std::filesystem::path out_dir = own_dir / "rendered";
    std::error_code error;
    std::filesystem::create_directories(out_dir, error);
    std::string name = std::filesystem::path(invoice.empty() ? document_path : invoice).filename().string();
    const std::filesystem::path out = out_dir / (name + ".html");
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file << page;
    if (!file) {
        std::fprintf(stderr, "Quenda: no se pudo escribir %s\n", out.string().c_str());
        return 4;
    }
    std::printf("%s\n", out.string().c_str());
    return 0;
}
