#pragma once
// Single values read from a parsed invoice as Latin-1 text.
#include <libxml/xpath.h>

#include "util/strbuf.h"
#include "xml/value_limit.h"

struct Invoice;

// A value read under a size limit: the value, or none; `too_large` tells a value
// over the limit, which is not read, from no value at all.
struct LimitedValue {
    StrBufPtr value;
    bool too_large = false;
};

// Braced "{expression}" or shorthand "element:attribute"; null for no value.
StrBuf* query_value(const StrBuf* query, const Invoice& invoice);
// The same, with a value over `limit` told apart.
LimitedValue query_value_within(const StrBuf* query, const Invoice& invoice, const ValueLimit& limit);
