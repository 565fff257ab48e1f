#pragma once
// Singly linked key/value list with a head node; keys compare without regard
// to the case of the ASCII letters.
#include <memory>

#include "util/strbuf.h"

// Every node after the head holds a key and a value.
struct KvList {
    StrBuf* key;
    StrBuf* value;
    KvList* next;
};

KvList* kv_new();
StrBuf* kv_find(const KvList* list, const char* key);
int kv_set(KvList* list, const char* key, const char* value);
void kv_free(KvList* list);

struct KvListDeleter {
    void operator()(KvList* list) const { kv_free(list); }
};
using KvListPtr = std::unique_ptr<KvList, KvListDeleter>;

// Comparison of `_stricmp`: only A-Z and a-z are folded.
int ascii_casecmp(const char* a, const char* b);
