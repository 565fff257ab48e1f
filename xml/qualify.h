#pragma once
// Rewrites an XPath location path so that unprefixed element names reach the
// first default namespace ("fa-def-ns") and "#N:" prefixes reach the N-th one.
#include "util/strbuf.h"

StrBuf* qualify_path(const char* expression);
StrBuf* qualify_path_buf(const StrBuf* expression);
void qualify_step(const char* start, const char* end, StrBuf** result);
void qualify_step_with_predicate(const char* start, const char* bracket, const char* end, const char* expression_end,
                                 StrBuf** result);
StrBuf* expand_numbered_prefix(const StrBuf* step);
