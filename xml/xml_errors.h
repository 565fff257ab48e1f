#pragma once
// libxml2's last error shown to the user; the result is its error number.

// Returned when libxml2 has recorded no error: its own number for an internal error,
// so that a failure is never reported as success.
constexpr int kXmlErrorUnknown = 1;

int report_xml_error(const char* caption);
int report_xml_error_with_text(const char* caption, const char* leading_text);
