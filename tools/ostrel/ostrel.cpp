// The template converter: applies an XSLT template to an invoice and writes the
// document it produces.
//
//   Ostrel.exe INVOICE TEMPLATE OUT -c CONFIG
//
// CONFIG: lines "key=value": "catalogos" names the catalog files beside the
// program (comma-separated), "vacio" is passed to the template as $vacio.
// Exit codes (see convert.h): 0 done; otherwise nonzero and no OUT file.
#include <libxslt/xslt.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "tools/ostrel/convert.h"
#include "util/paths.h"
#include "xml/parse.h"

namespace {

bool write_document(const char* path, const std::string& document) {
    FILE* file = platform_create_new_file(path);
    if (!file) return false;
    const bool written = std::fwrite(document.data(), 1, document.size(), file) == document.size();
    const bool closed = std::fclose(file) == 0;
    if (written && closed) return true;
    platform_remove_if_present(path);
    return false;
}

const char* message_of(ConvertResult result) {
    switch (result) {
    case kInvoiceUnreadable: return "no se pudo leer el comprobante";
    case kInvoiceTooLarge: return "el comprobante excede el tama\xc3\xb1o permitido";
    case kTemplateUnreadable: return "no se pudo leer la plantilla, la configuraci\xc3\xb3n o sus cat\xc3\xa1logos";
    case kNotWritten: return "no se pudo escribir el documento";
    case kTransformFailed: return "la plantilla no pudo aplicarse al comprobante";
    default: return "";
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6 || std::strcmp(argv[4], "-c") != 0) {
        std::fputs("uso: Ostrel.exe FACTURA PLANTILLA SALIDA -c CONFIGURACION\n", stderr);
        return kUsage;
    }
    // A document left by an earlier run must not pass for this one's.
    if (!platform_remove_if_present(argv[3])) return kNotWritten;
    ConvertRequest request{argv[1], argv[2], path_directory_of(platform_module_path(), platform_dir_separator()), {}};
    ConvertResult result = kTemplateUnreadable;
    std::string document;
    if (config_read(argv[5], request.config)) {
        xml_setup();
        // Out of memory is the only exception the conversion can meet: it fails the run like any other error.
        try {
            result = convert(request, document);
        } catch (...) {
            result = kTransformFailed;
        }
        if (result == kConverted && !write_document(argv[3], document)) result = kNotWritten;
        xsltCleanupGlobals();
        xml_teardown();
    }
    if (result != kConverted) std::fprintf(stderr, "Ostrel: %s\n", message_of(result));
    return result;
}
