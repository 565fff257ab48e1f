#pragma once
// Single values read from a parsed invoice as Latin-1 text.
#include <libxml/xpath.h>

#include "util/strbuf.h"
#include "xml/value_limit.h"

struct Invoice;

// Braced "{expression}" or shorthand "element:attribute"; null for no value, and
// for a value over `limit` when one is given (the limit then records it).
StrBuf* query_value(const StrBuf* query, const Invoice& invoice, ValueLimit* limit = nullptr);
// A node's text content converted to a new Latin-1 buffer; null when it has none
// or when it is over `limit`.
StrBuf* node_text_latin1(xmlNodePtr node, ValueLimit* limit = nullptr);
