#pragma once
// Entity references are kept as references when an invoice is parsed, and
// expanded only when a value is read: a small file can name gigabytes that way.
// A value's size is counted over the tree as parsed before it is read, and a
// value over the limit is not read at all.
#include <libxml/tree.h>

#include <cstdint>

struct ValueLimit {
    int64_t max_bytes;
};

// The limit for an invoice file of `file_size` bytes: the larger of 10 MiB and ten
// times its size, and never more than the 64 MiB of long text a parse accepts.
ValueLimit value_limit_for_file(int64_t file_size);
// Whether every value of the document together, entities expanded, stays within
// the limit (or within the file's own size, whichever is larger): what a sibling
// that reads the whole invoice would expand.
bool document_fits(const xmlDoc* document, int64_t file_size, const ValueLimit& limit);
// Whether the value of `node` fits.
bool value_fits(const xmlNode* node, const ValueLimit& limit);
