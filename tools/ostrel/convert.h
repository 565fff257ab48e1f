#pragma once
// One conversion: the invoice parsed the viewer's way and made safe, the
// template compiled as an XSLT stylesheet under the security preferences, the
// transform run with the converter's functions, its text made a document.
#include <string>

#include "tools/ostrel/config.h"

// Exit codes of the converter.
enum ConvertResult {
    kConverted = 0,
    kUsage = 2,
    kInvoiceUnreadable = 3,
    kTemplateUnreadable = 4,  // the template or a data file the configuration names
    kNotWritten = 5,
    kTransformFailed = 6,     // an error of the transform, or a read or write it was refused
    kInvoiceTooLarge = 7,     // its values, entities expanded, pass the viewer's size limit
};

struct ConvertRequest {
    std::string invoice;
    std::string template_file;
    std::string program_dir;  // where the data files lie
    ConverterConfig config;
};

// The document's bytes in `document`; on failure the code and nothing in `document`.
ConvertResult convert(const ConvertRequest& request, std::string& document);
