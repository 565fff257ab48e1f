#pragma once
// Single values read from a parsed invoice as Latin-1 text.
#include <libxml/xpath.h>

#include "util/strbuf.h"

// Braced "{expression}" or shorthand "element:attribute"; null for no value.
StrBuf* query_value(const StrBuf* query, xmlXPathContextPtr context);
// A node's text content converted to a new Latin-1 buffer; null when it has none.
StrBuf* node_text_latin1(xmlNodePtr node);
