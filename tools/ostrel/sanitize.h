#pragma once
// Every value of the invoice made safe to insert into one line of a document:
// CR, LF, TAB and every other control character (C0, DEL and C1) become blanks,
// one blank per byte, in text, attribute values and the internal entities that
// either may refer to.
#include <libxml/tree.h>

#include <string>

// True when the text changed.
bool blank_controls(std::string& text);
void blank_invoice_controls(xmlDocPtr document);
