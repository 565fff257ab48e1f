#pragma once
// The text a transform wrote (output method text), as the document language
// wants it: Latin-1 (a character it cannot hold becomes "?") with CR LF line ends.
#include <libxml/tree.h>

#include <string>

// Every text node of the result, in document order, as UTF-8.
std::string result_text(xmlDocPtr result);
// UTF-8 text as Latin-1 lines ending in CR LF; a CR of the text is dropped.
std::string latin1_lines(const std::string& utf8);
