#pragma once
// Rewrites an XPath location path so that unprefixed element names reach the
// first default namespace ("fa-def-ns") and "#N:" prefixes reach the N-th one.
// `default_ns_count` is the number of default namespaces the document's
// registration gave a prefix; with none, unprefixed names stay as written.
#include "util/strbuf.h"

//
// Results as in util/: a new buffer or null (a block could not be had: no part of
// the path is ever left out); a step gives 1 when appended and 0 when not.
StrBuf* qualify_path(const char* expression, int default_ns_count);
StrBuf* qualify_path_buf(const StrBuf* expression, int default_ns_count);
int qualify_step(const char* start, const char* end, int default_ns_count, StrBuf** result);
int qualify_step_with_predicate(const char* start, const char* bracket, const char* end, const char* expression_end,
                                int default_ns_count, StrBuf** result);
StrBuf* expand_numbered_prefix(const StrBuf* step);
