#include "util/kvlist.h"

#include <cstdlib>

#include "util/memory.h"

int ascii_casecmp(const char* a, const char* b) {
    auto fold = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; };
    for (;; ++a, ++b) {
        const int ca = fold(static_cast<unsigned char>(*a));
        const int cb = fold(static_cast<unsigned char>(*b));
        if (ca != cb || ca == 0) return ca - cb;
    }
}

KvList* kv_new() {
    return static_cast<KvList*>(memory_take_zeroed(sizeof(KvList)));
}

StrBuf* kv_find(const KvList* list, const char* key) {
    if (!list || !key) return nullptr;
    for (const KvList* node = list->next; node; node = node->next) {
        if (ascii_casecmp(strbuf_text(node->key), key) == 0) return node->value;
    }
    return nullptr;
}

int kv_set(KvList* list, const char* key, const char* value) {
    if (!list || !key || !value) return 0;
    KvList* last = list;
    for (KvList* node = list->next; node; node = node->next) {
        if (ascii_casecmp(strbuf_text(node->key), key) == 0) {
            // The old value stays until the new one is held: a refused set changes nothing.
            StrBuf* replacement = strbuf_from_text(value);
            if (!replacement) return 0;
            strbuf_free(node->value);
            node->value = replacement;
            return 1;
        }
        last = node;
    }
    KvList* node = kv_new();
    if (!node) return 0;
    node->key = strbuf_from_text(key);
    node->value = strbuf_from_text(value);
    if (!node->key || !node->value) {
        kv_free(node);
        return 0;
    }
    last->next = node;
    return 1;
}

void kv_free(KvList* list) {
    while (list) {
        KvList* next = list->next;
        strbuf_free(list->key);
        strbuf_free(list->value);
        std::free(list);
        list = next;
    }
}
