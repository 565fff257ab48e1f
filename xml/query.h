#pragma once
// Single values read from a parsed invoice as Latin-1 text.
#include <libxml/xpath.h>

#include "util/strbuf.h"
#include "xml/value_limit.h"

struct Invoice;

// Braced "{expression}" or shorthand "element:attribute"; null for no value, and
// for a value over `limit` when one is given (the limit then records it).
StrBuf* query_value(const StrBuf* query, const Invoice& invoice, ValueLimit* limit = nullptr);
