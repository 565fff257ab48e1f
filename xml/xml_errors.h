#pragma once
// libxml2's last error shown to the user; the result is its error number.
#include "util/reporter.h"

// Returned when libxml2 has recorded no error: its own number for an internal error,
// so that a failure is never reported as success.
constexpr int kXmlErrorUnknown = 1;

int report_xml_error(const Reporter& reporter);
// The same with the leading text on a line of its own above the error line.
int report_xml_error_with_text(const Reporter& reporter, const char* leading_text);
