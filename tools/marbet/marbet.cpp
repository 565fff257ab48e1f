// Stand-in QR-code tool: draws TEXT as a QR code into a 24-bit BMP.
//
//   Marbet.exe -o FILE -z SIZE -t BMP TEXT     (SIZE: pixels per module)
#include <qrencode.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kQuietModules = 4;

void put16(std::vector<unsigned char>& out, uint16_t v) {
    out.push_back(v & 0xFF);
    out.push_back(v >> 8);
}
void put32(std::vector<unsigned char>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back((v >> (8 * i)) & 0xFF);
}

// The code as a 24-bit bitmap, `size` pixels a module, with its quiet zone.
std::vector<unsigned char> bitmap_of(const QRcode& code, int size) {
    const int modules = code.width + 2 * kQuietModules;
    const int pixels = modules * size;
    const int row_bytes = (pixels * 3 + 3) & ~3;
    std::vector<unsigned char> bmp;
    put16(bmp, 0x4D42);
    put32(bmp, 54 + static_cast<uint32_t>(row_bytes * pixels));
    put32(bmp, 0);
    put32(bmp, 54);
    put32(bmp, 40);
    put32(bmp, static_cast<uint32_t>(pixels));
    put32(bmp, static_cast<uint32_t>(pixels));
    put16(bmp, 1);
    put16(bmp, 24);
    put32(bmp, 0);
    put32(bmp, static_cast<uint32_t>(row_bytes * pixels));
    put32(bmp, 2835);
    put32(bmp, 2835);
    put32(bmp, 0);
    put32(bmp, 0);
    for (int y = pixels - 1; y >= 0; --y) {  // bottom row first
        std::vector<unsigned char> row(static_cast<size_t>(row_bytes), 0);
        const int my = y / size - kQuietModules;
        for (int x = 0; x < pixels; ++x) {
            const int mx = x / size - kQuietModules;
            const bool dark =
                mx >= 0 && my >= 0 && mx < code.width && my < code.width && (code.data[my * code.width + mx] & 1);
            std::memset(&row[static_cast<size_t>(x) * 3], dark ? 0 : 255, 3);
        }
        bmp.insert(bmp.end(), row.begin(), row.end());
    }
    return bmp;
}

}  // namespace

int main(int argc, char** argv) {
    std::string output;
    std::string type = "BMP";
    int size = 3;
    std::string text;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-o" && i + 1 < argc) output = argv[++i];
        else if (arg == "-z" && i + 1 < argc) size = std::atoi(argv[++i]);
        else if (arg == "-t" && i + 1 < argc) type = argv[++i];
        else text = arg;
    }
    if (output.empty() || text.empty() || type != "BMP" || size < 1 || size > 100) {
        std::fprintf(stderr, "uso: Marbet.exe -o ARCHIVO -z TAMANO -t BMP TEXTO\n");
        return 2;
    }
    QRcode* code = QRcode_encodeString(text.c_str(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!code) {
        std::fprintf(stderr, "Marbet: no se pudo codificar el texto\n");
        return 3;
    }
    const std::vector<unsigned char> bmp = bitmap_of(*code, size);
    QRcode_free(code);
    FILE* file = std::fopen(output.c_str(), "wb");
    if (!file || std::fwrite(bmp.data(), 1, bmp.size(), file) != bmp.size()) {
        if (file) std::fclose(file);
        std::fprintf(stderr, "Marbet: no se pudo escribir %s\n", output.c_str());
        return 4;
    }
    return std::fclose(file) == 0 ? 0 : 4;
}
