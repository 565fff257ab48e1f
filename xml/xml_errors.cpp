#include "xml/xml_errors.h"

#include <libxml/xmlerror.h>

#include <cstdio>

namespace {

constexpr size_t kReportSize = 1024;

int report(const Reporter& reporter, const char* leading_text) {
    char text[kReportSize];
    const xmlError* error = xmlGetLastError();
    const char* lead = leading_text ? leading_text : "";
    const char* separator = leading_text ? "\n" : "";
    int number = kXmlErrorUnknown;
    if (error) {
        number = error->code != 0 ? error->code : kXmlErrorUnknown;
        // snprintf cuts a long file name or message at the end of the buffer.
        std::snprintf(text, sizeof text, "%s%sXML Error #%d in [%s]. %s", lead, separator, error->code,
                      error->file ? error->file : "", error->message ? error->message : "");
    } else {
        std::snprintf(text, sizeof text, "%s%sXML Error Unknown", lead, separator);
    }
    report_message(reporter, text, MESSAGE_ICON_WARNING);
    return number;
}

}  // namespace

int report_xml_error(const Reporter& reporter) { return report(reporter, nullptr); }

int report_xml_error_with_text(const Reporter& reporter, const char* leading_text) {
    return report(reporter, leading_text);
}
