// Stand-in decrypter.
//
//   Selvar.exe IN OUT -c TEXT     decrypts IN into OUT; fails when the result lacks TEXT
//   Selvar.exe --encrypt IN OUT   makes an encrypted sample
//
// Format: the line "SELVAR1", a line feed, then every byte of the plain file
// combined (exclusive or) with the repeated key "Tesmira-Selvar" shifted by its
// position modulo 251. It keeps sample invoices from parsing as XML, nothing more:
// it is not meant to protect anything.
//
// TEXT beginning with "<" also matches with a namespace prefix after the "<"
// ("<Comprobante" is found in "<cfdi:Comprobante").
//
// Exit codes: 0 done, 2 usage, 3 IN unreadable, 4 IN not in this format,
// 5 TEXT missing from the result, 6 OUT cannot be written.
#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const std::string kMagic = "SELVAR1\n";
const std::string kKey = "Tesmira-Selvar";

bool contains_text(const std::string& plain, const std::string& text) {
    if (plain.find(text) != std::string::npos) return true;
    if (text.empty() || text[0] != '<') return false;
    const std::string rest = std::string(":").append(text, 1);
    for (size_t at = plain.find(rest); at != std::string::npos; at = plain.find(rest, at + 1)) {
        size_t start = at;
        while (start > 0 && (std::isalnum(static_cast<unsigned char>(plain[start - 1])) || plain[start - 1] == '_' ||
                             plain[start - 1] == '-' || plain[start - 1] == '.')) {
            --start;
        }
        if (start > 0 && start < at && plain[start - 1] == '<') return true;
    }
    return false;
}

std::string transform(const std::string& bytes) {
    std::string out(bytes.size(), '\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        out[i] = static_cast<char>(bytes[i] ^ kKey[i % kKey.size()] ^ static_cast<char>(i % 251));
    }
    return out;
}

bool read_all(const char* path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    out = bytes.str();
    return true;
}

bool write_all(const char* path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    std::string input;
    if (argc == 4 && std::string(argv[1]) == "--encrypt") {
        if (!read_all(argv[2], input)) return 3;
        return write_all(argv[3], kMagic + transform(input)) ? 0 : 6;
    }
    if (argc != 5 || std::string(argv[3]) != "-c") {
        std::fprintf(stderr, "uso: Selvar.exe ENTRADA SALIDA -c TEXTO | Selvar.exe --encrypt ENTRADA SALIDA\n");
        return 2;
    }
    if (!read_all(argv[1], input)) return 3;
    if (input.compare(0, kMagic.size(), kMagic) != 0) return 4;
    const std::string plain = transform(input.substr(kMagic.size()));
    if (!contains_text(plain, argv[4])) return 5;
    return write_all(argv[2], plain) ? 0 : 6;
}
